// Sorting: the state a title click asks for, the sorter's expression, and
// title clicks with Shift and Ctrl on a real grid.
#include "grid/xDBGrid_sort_state.h"
#include "grid_test_support.h"

using namespace grid_test;

namespace {

// A sorter whose expression can be read.
class ExpressionSorter : public TxDBGridSorter_UDB {
public:
    using TxDBGridCustomSorter::QuoteSortFieldName;
};

TEST(SortStateTest, TitleClicksWalkTheOrder) {
    struct Step {
        const char* field;
        bool shift;
        bool ctrl;
        const char* names;
        const char* directions;
    };
    // Click A, click A, Shift+B, Shift+B, Shift+Ctrl+A; then a plain click
    // on an unsorted C takes the direction of the first sort field.
    const Step steps[] = {
        {"A", false, false, "A", "A"},       {"A", false, false, "A", "D"},
        {"b", true, false, "A,B", "D,A"},    {"B", true, false, "A,B", "D,D"},
        {"a", true, true, "B", "D"},         {"C", false, false, "C", "D"},
    };
    QString names, directions;
    for (const Step& s : steps) {
        const TSortRequest r = TitleClickSortRequest(names, directions, s.field, s.shift, s.ctrl);
        names = r.FieldNames;
        directions = r.Directions;
        EXPECT_EQ(names, s.names) << s.field;
        EXPECT_EQ(directions, s.directions) << s.field;
    }
    // A plain click on B while the order is A, B (ascending): B alone, descending.
    const TSortRequest r = TitleClickSortRequest("A,B", "A,A", "B", false, false);
    EXPECT_EQ(r.FieldNames, "B");
    EXPECT_EQ(r.Directions, "D");
}

TEST(SortStateTest, NamesAndDirectionsAreNormalised) {
    EXPECT_EQ(NormalizeSortFieldName(" name , ,city "), "name,city");
    EXPECT_EQ(NormalizeSortDirections("d, x ,D"), "D,A,D");
    EXPECT_EQ(PosInSortField("NAME,CITY", "name"), 1);
    EXPECT_EQ(PosInSortField("NAME,CITY,name", "Name"), 3);
    EXPECT_EQ(PosInSortField("NAME,CITY", "Zip"), 0);
}

TEST(SortStateTest, EveryNameThatIsNoPlainIdentifierGoesInBrackets) {
    ExpressionSorter sorter;
    struct Case {
        const char* name;
        const char* sent;
    };
    const Case cases[] = {
        {"NAME", "NAME"},        {"ORDER_DATE", "ORDER_DATE"}, {"ORDER DATE", "[ORDER DATE]"},
        {"QTY#", "[QTY#]"},      {"ORDER-DETAILS", "[ORDER-DETAILS]"}, {"1ST", "[1ST]"},
        {"SELECT", "[SELECT]"},  {"A]B", "[A]]B]"},
    };
    for (const Case& c : cases) EXPECT_EQ(sorter.QuoteSortFieldName(c.name), c.sent) << c.name;
    EXPECT_EQ(sorter.SortExpression({"NAME", "CITY"}, {false, true}), "NAME, CITY DESC");
    EXPECT_EQ(sorter.SortExpression({"ORDER DATE"}, {true}), "[ORDER DATE] DESC");
}

const std::vector<ColumnDef> kColumns = {{"Id", Long}, {"Group Name", Text}, {"Amount", Double}, {"Note", Memo}};

std::vector<Row> rows() {
    return {{I(1), T("b"), D(3), T("x")}, {I(2), T("a"), D(1), T("y")},
            {I(3), T("b"), D(1), T("z")}, {I(4), T("a"), D(2), N()}};
}

void clickTitle(TxDBGrid& grid, int column, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(grid.gridHeader()->viewport(), Qt::LeftButton, modifiers, titlePoint(grid, column));
}

TEST(GridSortTest, TitleClicksSortThroughTheSorterAndKeepTheRecord) {
    GridOnTable t(kColumns, rows());
    TxDBGrid& grid = t.grid;
    t.query.SetRecNo(3);  // Id 3
    clickTitle(grid, 2);
    EXPECT_EQ(grid.SortFieldName(), "AMOUNT");
    EXPECT_EQ(columnTexts(grid, 0), "2,3,4,1");
    EXPECT_EQ(t.query.FieldByName("Id").AsString(), "3");
    EXPECT_EQ(grid.currentIndex().row(), 1);

    // Shift adds a column; a name with a blank reaches the recordset in brackets.
    clickTitle(grid, 1, Qt::ShiftModifier);
    EXPECT_EQ(grid.SortFieldName(), "AMOUNT,GROUP NAME");
    EXPECT_EQ(t.query.Sort(), "AMOUNT, [GROUP NAME]");
    clickTitle(grid, 1, Qt::ShiftModifier);
    EXPECT_EQ(grid.SortDirections(), "A,D");
    EXPECT_EQ(columnTexts(grid, 0), "3,2,4,1");
    EXPECT_TRUE(grid.GetSortDirection("Group Name"));

    // Shift+Ctrl removes one; a plain click reverses the only one left.
    clickTitle(grid, 2, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(grid.SortFieldName(), "GROUP NAME");
    clickTitle(grid, 1);
    EXPECT_EQ(grid.SortDirections(), "A");
    EXPECT_EQ(columnTexts(grid, 1), "a,a,b,b");
}

TEST(GridSortTest, AMemoTitleDoesNotSortAndKeepsTheOrder) {
    GridOnTable t(kColumns, rows());
    clickTitle(t.grid, 2);
    clickTitle(t.grid, 3);
    EXPECT_EQ(t.grid.SortFieldName(), "AMOUNT");
    EXPECT_EQ(t.query.Sort(), "AMOUNT");
}

TEST(GridSortTest, ADraggedTitleDoesNotSort) {
    GridOnTable t(kColumns, rows());
    QWidget* titles = t.grid.gridHeader()->viewport();
    const QPoint from = titlePoint(t.grid, 0);
    QTest::mousePress(titles, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, from + QPoint(60, 0), titles->mapToGlobal(from + QPoint(60, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(titles, &move);
    QTest::mouseRelease(titles, Qt::LeftButton, {}, from + QPoint(60, 0));
    EXPECT_EQ(t.grid.SortFieldName(), "");
}

}  // namespace
