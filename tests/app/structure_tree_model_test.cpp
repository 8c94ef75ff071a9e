// The structure tree's content without a window: node texts and images,
// whole-name key fields, identities of names holding "(", filter pruning,
// lazy view columns with their cache, and the export text.
#include "app/structure_tree_model.h"

#include <gtest/gtest.h>

#include <map>

#include "jet/error.h"

namespace {

TFieldRec field(const QString& name, int type, int size = 0, bool required = false) {
    TFieldRec f;
    f.FieldName = name;
    f.FieldType = type;
    f.FieldSize = size;
    f.Required = required;
    return f;
}

TIndexRec index(const QString& name, const QString& fields, bool primary, bool unique,
                bool required) {
    TIndexRec i;
    i.IndexName = name;
    i.FieldNames = fields;
    i.Primary = primary;
    i.Unique = unique;
    i.Required = required;
    return i;
}

TRelationRec relation(const QString& name, const QString& table, const QString& fields,
                      const QString& foreignTable, const QString& foreignFields, int attributes) {
    TRelationRec r;
    r.Name = name;
    r.Table = table;
    r.FieldNames = fields;
    r.ForeignTable = foreignTable;
    r.ForeignFieldNames = foreignFields;
    r.Attributes = attributes;
    return r;
}

// A catalogue in memory; counts the column queries of each view.
class FakeSource : public StructureSource {
public:
    QStringList tables;
    std::map<QString, TFieldRecArray> fields;
    std::map<QString, TIndexRecArray> indexes;
    TRelationRecArray rels;
    QStringList views;
    std::map<QString, std::vector<ViewColumnInfo>> columns;  // missing: the query fails
    std::map<QString, int> columnQueries;

    QStringList tableNames() const override { return tables; }
    QStringList viewNames() const override { return views; }
    QString viewSql(const QString& view) const override { return "SELECT * FROM " + view; }
    const TRelationRecArray& relations() const override { return rels; }
    void readFields(const QString& table, TFieldRecArray& out) override { out = fields[table]; }
    void readIndexes(const QString& table, TIndexRecArray& out) override { out = indexes[table]; }
    std::vector<ViewColumnInfo> viewColumns(const QString& view) override {
        ++columnQueries[view];
        const auto it = columns.find(view);
        if (it == columns.end())
            throw jet::Error(jet::ErrorCode::NotFound, "Syntax error in FROM clause.");
        return it->second;
    }
};

// Orders (key OrderID) and Books (key ID, a field "Price (net)", an index
// named with parentheses), a relation between them, and two views.
FakeSource sampleSource() {
    FakeSource s;
    s.tables = {"Books", "Orders"};
    s.fields["Books"] = {field("ID", 4), field("Title", 10, 50), field("Price (net)", 5, 0, true),
                         field("Pages", 3)};
    s.indexes["Books"] = {index("PK", "ID", true, true, true),
                          index("Title", "Title", false, false, false),
                          index("IX (price)", "Price (net);-Pages", false, true, false)};
    s.fields["Orders"] = {field("OrderID", 4), field("ID", 4), field("BookID", 4, 0, true)};
    s.indexes["Orders"] = {index("PrimaryKey", "OrderID", true, true, true)};
    s.rels = {relation("BooksOrders", "Books", "ID", "Orders", "BookID", 0),
              relation("Loose", "Orders", "ID", "Books", "Pages", 2)};
    s.views = {"BookList", "Broken"};
    s.columns["BookList"] = {{"ID", jet::DataType::Long, 4},
                             {"Title", jet::DataType::Text, 50},
                             {"A/B", jet::DataType::Integer, 2}};
    return s;
}

// The node at a path of texts from a root, or nullptr.
const StructNode* find(const StructureTreeModel& model, const QStringList& path) {
    const StructNode* node = nullptr;
    const std::vector<std::unique_ptr<StructNode>>* level = &model.roots();
    for (const QString& text : path) {
        node = nullptr;
        for (const auto& child : *level)
            if (child->text == text) node = child.get();
        if (!node) return nullptr;
        level = &node->children;
    }
    return node;
}

QStringList childTexts(const StructNode* node) {
    QStringList texts;
    if (node)
        for (const auto& child : node->children) texts << child->text;
    return texts;
}

TEST(StructureTreeModel, NodeTextsKindsAndImages) {
    FakeSource source = sampleSource();
    StructureTreeModel model;
    model.setSource(&source);
    model.BuildStructureTree();

    struct Case {
        QStringList path;
        StructKind kind;
        StructImage image;
    };
    const Case cases[] = {
        {{"Tables"}, StructKind::Folder, StructImage::Folder},
        {{"Tables", "Books"}, StructKind::Table, StructImage::Table},
        {{"Tables", "Books", "Fields (4)"}, StructKind::FieldFolder, StructImage::Folder},
        {{"Tables", "Books", "Fields (4)", "ID (Long)"}, StructKind::Field, StructImage::KeySheet},
        {{"Tables", "Books", "Fields (4)", "Title (Text 50)"},
         StructKind::Field,
         StructImage::Sheet},
        {{"Tables", "Books", "Fields (4)", "Price (net) (Currency)"},
         StructKind::Field,
         StructImage::RequiredSheet},
        {{"Tables", "Books", "Fields (4)", "Pages (Integer)"},
         StructKind::Field,
         StructImage::Sheet},
        {{"Tables", "Books", "Indexes (3)"}, StructKind::IndexFolder, StructImage::Folder},
        {{"Tables", "Books", "Indexes (3)", "ID (PK)"}, StructKind::Index, StructImage::Key},
        // An index named like its field shows the field name alone.
        {{"Tables", "Books", "Indexes (3)", "Title"}, StructKind::Index, StructImage::Sheet},
        {{"Tables", "Books", "Indexes (3)", "Price (net);-Pages (IX (price))"},
         StructKind::Index,
         StructImage::KeySheet},
        {{"Tables", "Books", "References (2)"}, StructKind::ReferenceFolder, StructImage::Folder},
        {{"Tables", "Books", "References (2)", "BooksOrders (ID => Orders.BookID)"},
         StructKind::Reference,
         StructImage::LinkFromEnforced},
        {{"Tables", "Books", "References (2)", "Loose (Orders.ID => Pages)"},
         StructKind::Reference,
         StructImage::LinkTo},
        {{"Tables", "Orders", "References (2)", "BooksOrders (Books.ID => BookID)"},
         StructKind::Reference,
         StructImage::LinkToEnforced},
        {{"Tables", "Orders", "References (2)", "Loose (ID => Books.Pages)"},
         StructKind::Reference,
         StructImage::LinkFrom},
        {{"Tables", "Orders", "Fields (3)", "OrderID (Long)"},
         StructKind::Field,
         StructImage::KeySheet},
        // The tail of a key field's name is no key field.
        {{"Tables", "Orders", "Fields (3)", "ID (Long)"}, StructKind::Field, StructImage::Sheet},
        {{"Views", "BookList"}, StructKind::ViewNotLoaded, StructImage::View},
        {{"Views", "BookList", "Loading..."}, StructKind::Placeholder, StructImage::Sheet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.join(" / ").toStdString());
        const StructNode* node = find(model, c.path);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->kind, c.kind);
        EXPECT_EQ(node->image, c.image);
    }
    EXPECT_EQ(childTexts(find(model, {"Tables", "Books"})),
              QStringList({"Fields (4)", "Indexes (3)", "References (2)"}));
}

TEST(StructureTreeModel, KeyImageForEveryFieldOfACompositeAndDescendingKey) {
    FakeSource source;
    source.tables = {"T"};
    source.fields["T"] = {field("A", 4), field("b", 4), field("AB", 4), field("C", 4, 0, true)};
    source.indexes["T"] = {index("PK", "A;-B", true, true, true)};
    StructureTreeModel model;
    model.setSource(&source);
    model.BuildStructureTree();
    const std::pair<const char*, StructImage> expected[] = {
        {"A (Long)", StructImage::KeySheet},
        {"b (Long)", StructImage::KeySheet},  // letter case and "-" ignored
        {"AB (Long)", StructImage::Sheet},
        {"C (Long)", StructImage::RequiredSheet},
    };
    for (const auto& [text, image] : expected) {
        SCOPED_TRACE(text);
        const StructNode* node = find(model, {"Tables", "T", "Fields (4)", text});
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->image, image);
    }
}

TEST(StructureTreeModel, NodeIdentitiesNeverComeFromTheText) {
    FakeSource source = sampleSource();
    source.tables << "Odd (1)";
    source.fields["Odd (1)"] = {field("x)(y", 10, 5)};
    StructureTreeModel model;
    model.setSource(&source);
    model.BuildStructureTree();

    struct Case {
        QStringList path;
        QString tbl, fld, indx, ref, view;
        int tblIdx, viewIdx;
    };
    const Case cases[] = {
        {{"Tables", "Books", "Fields (4)", "Price (net) (Currency)"},
         "Books",
         "Price (net)",
         "",
         "",
         "",
         0,
         -1},
        {{"Tables", "Books", "Indexes (3)", "Price (net);-Pages (IX (price))"},
         "Books",
         "",
         "IX (price)",
         "",
         "",
         0,
         -1},
        {{"Tables", "Books", "Indexes (3)", "ID (PK)"}, "Books", "", "PK", "", "", 0, -1},
        {{"Tables", "Odd (1)", "Fields (1)", "x)(y (Text 5)"},
         "Odd (1)",
         "x)(y",
         "",
         "",
         "",
         2,
         -1},
        {{"Tables", "Odd (1)"}, "Odd (1)", "", "", "", "", 2, -1},
        {{"Tables", "Books", "References (2)", "Loose (Orders.ID => Pages)"},
         "",
         "",
         "",
         "Loose",
         "",
         -1,
         -1},
        {{"Tables", "Books", "References (2)"}, "", "", "", "", "", -1, -1},
        {{"Views", "Broken"}, "", "", "", "", "Broken", -1, 1},
        {{"Tables"}, "", "", "", "", "", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.join(" / ").toStdString());
        const StructNode* node = find(model, c.path);
        ASSERT_NE(node, nullptr);
        const NodeDetail d = model.nodeDetail(node);
        EXPECT_EQ(d.SelNode, node);
        EXPECT_EQ(d.Tbl, c.tbl);
        EXPECT_EQ(d.Fld, c.fld);
        EXPECT_EQ(d.Indx, c.indx);
        EXPECT_EQ(d.Ref, c.ref);
        EXPECT_EQ(d.View, c.view);
        EXPECT_EQ(d.TblIdx, c.tblIdx);
        EXPECT_EQ(d.ViewIdx, c.viewIdx);
    }
    EXPECT_EQ(model.nodeDetail(nullptr).TblIdx, -1);
}

TEST(StructureTreeModel, FilterKeepsMatchingTablesWholeAndPrunesTheRest) {
    struct Case {
        QString filter;
        QString expected;  // the export text
    };
    const Case cases[] = {
        // "Books" matches "ook": listed whole. Orders keeps the children
        // whose text holds "ook"; the reference folder counts what is listed.
        {"ook",
         "Tables\n"
         "  Books\n"
         "    Fields (4)\n"
         "      ID (Long)\n"
         "      Title (Text 50)\n"
         "      Price (net) (Currency)\n"
         "      Pages (Integer)\n"
         "    Indexes (3)\n"
         "      ID (PK)\n"
         "      Title\n"
         "      Price (net);-Pages (IX (price))\n"
         "    References (2)\n"
         "      BooksOrders (ID => Orders.BookID)\n"
         "      Loose (Orders.ID => Pages)\n"
         "  Orders\n"
         "    Fields (3)\n"
         "      BookID (Long)\n"
         "    References (2)\n"
         "      Loose (ID => Books.Pages)\n"
         "      BooksOrders (Books.ID => BookID)\n"
         "Views\n"
         "  BookList\n"
         "    ID (Long)\n"
         "    Title (Text 50)\n"
         "    A/B (Integer)\n"},
        // Letter case does not matter; tables without a matching child go,
        // views keep only matching columns, a failing view with a
        // non-matching name disappears.
        {"TITLE",
         "Tables\n"
         "  Books\n"
         "    Fields (4)\n"
         "      Title (Text 50)\n"
         "    Indexes (3)\n"
         "      Title\n"
         "Views\n"
         "  BookList\n"
         "    Title (Text 50)\n"},
        {"nothing at all", "Tables\nViews\n"},
        // A failing view whose name matches shows the error node.
        {"broken", "Tables\nViews\n  Broken\n    Error in view def.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter.toStdString());
        FakeSource source = sampleSource();
        StructureTreeModel model;
        model.setSource(&source);
        model.setFilterText(c.filter);
        model.BuildStructureTree();
        EXPECT_EQ(model.exportText(), c.expected);
    }
}

TEST(StructureTreeModel, MatchesFilter) {
    StructureTreeModel model;
    const std::tuple<QString, QString, bool> cases[] = {
        {"", "anything", true},           {"id", "OrderID (Long)", true}, {"ID", "width", true},
        {"idx", "OrderID (Long)", false}, {"(", "Price (net)", true},
    };
    for (const auto& [filter, text, matches] : cases) {
        model.setFilterText(filter);
        EXPECT_EQ(model.MatchesFilter(text), matches)
            << filter.toStdString() << " in " << text.toStdString();
    }
}

TEST(StructureTreeModel, ViewColumnsLoadOnExpandAndComeFromTheCacheAfterARebuild) {
    FakeSource source = sampleSource();
    StructureTreeModel model;
    model.setSource(&source);
    model.BuildStructureTree();
    EXPECT_TRUE(source.columnQueries.empty());  // nothing queried before an expand

    auto* bookList = const_cast<StructNode*>(find(model, {"Views", "BookList"}));
    ASSERT_NE(bookList, nullptr);
    EXPECT_TRUE(model.expandNode(*bookList));
    EXPECT_EQ(bookList->kind, StructKind::View);
    // "A/B" stays one column.
    EXPECT_EQ(childTexts(bookList), QStringList({"ID (Long)", "Title (Text 50)", "A/B (Integer)"}));
    EXPECT_EQ(bookList->children[2]->field, "A/B");
    EXPECT_EQ(bookList->children[2]->kind, StructKind::ViewColumn);
    EXPECT_EQ(source.columnQueries["BookList"], 1);
    EXPECT_FALSE(model.expandNode(*bookList));  // loaded once only

    model.BuildStructureTree();
    bookList = const_cast<StructNode*>(find(model, {"Views", "BookList"}));
    ASSERT_NE(bookList, nullptr);
    EXPECT_EQ(bookList->kind, StructKind::ViewNotLoaded);
    model.expandNode(*bookList);
    EXPECT_EQ(source.columnQueries["BookList"], 1);
    EXPECT_EQ(childTexts(bookList).size(), 3);

    model.clearViewColumnCache();
    model.BuildStructureTree();
    model.loadAllViews();
    EXPECT_EQ(source.columnQueries["BookList"], 2);
}

TEST(StructureTreeModel, AFailedColumnLoadShowsTheErrorAndIsTriedAgain) {
    FakeSource source = sampleSource();
    StructureTreeModel model;
    model.setSource(&source);
    model.BuildStructureTree();
    auto* broken = const_cast<StructNode*>(find(model, {"Views", "Broken"}));
    ASSERT_NE(broken, nullptr);
    model.expandNode(*broken);
    ASSERT_EQ(broken->children.size(), 1u);
    EXPECT_EQ(broken->children[0]->text, "Error in view def.");
    EXPECT_EQ(broken->children[0]->image, StructImage::Warning);
    EXPECT_EQ(broken->children[0]->kind, StructKind::Folder);
    EXPECT_EQ(model.cachedViewColumns("Broken"), nullptr);

    // Mended in the meantime: the next build queries again.
    source.columns["Broken"] = {{"X", jet::DataType::BigInt, 8}};
    model.BuildStructureTree();
    broken = const_cast<StructNode*>(find(model, {"Views", "Broken"}));
    model.expandNode(*broken);
    EXPECT_EQ(childTexts(broken), QStringList({"X (BigInt)"}));
    EXPECT_EQ(source.columnQueries["Broken"], 2);
    ASSERT_NE(model.cachedViewColumns("broken"), nullptr);  // any letter case
}

TEST(StructureTreeModel, TypeTexts) {
    const std::tuple<jet::DataType, int, const char*> viewCases[] = {
        {jet::DataType::Integer, 2, "Integer"},   {jet::DataType::Long, 4, "Long"},
        {jet::DataType::BigInt, 8, "BigInt"},     {jet::DataType::Byte, 1, "Byte"},
        {jet::DataType::Text, 50, "Text 50"},     {jet::DataType::Memo, 0, "Memo"},
        {jet::DataType::Currency, 8, "Currency"}, {jet::DataType::Double, 8, "Double"},
        {jet::DataType::Single, 4, "Single"},     {jet::DataType::Boolean, 1, "Boolean"},
        {jet::DataType::DateTime, 8, "Date"},     {jet::DataType::Binary, 16, "Binary"},
        {jet::DataType::Guid, 16, "GUID"},        {jet::DataType::Numeric, 17, "Decimal"},
    };
    for (const auto& [type, size, text] : viewCases)
        EXPECT_EQ(viewColumnTypeText(type, size), QString::fromLatin1(text));

    const std::tuple<int, int, const char*> fieldCases[] = {
        {10, 255, "Text 255"}, {4, 4, "Long"},          {16, 8, "BigInt"},  {12, 0, "Memo"},
        {1, 1, "Boolean"},     {109, 0, "ComplexText"}, {99, 0, "Type 99"},
    };
    for (const auto& [code, size, text] : fieldCases)
        EXPECT_EQ(fieldTypeText(field("F", code, size)), QString::fromLatin1(text));
}

TEST(StructureTreeModel, WithoutASourceOnlyTheRootsAndClearEmptiesAll) {
    StructureTreeModel model;
    model.BuildStructureTree();
    EXPECT_EQ(model.exportText(), "Tables\nViews\n");
    model.clear();
    EXPECT_EQ(model.exportText(), "");
    EXPECT_EQ(model.tablesRoot(), nullptr);
}

TEST(StructureTreeModel, ExportIndentsTwoSpacesPerLevelAfterAllViewsLoad) {
    FakeSource source = sampleSource();
    source.tables = {"Orders"};
    source.rels.clear();
    StructureTreeModel model;
    model.setSource(&source);
    model.BuildStructureTree();
    model.loadAllViews();
    EXPECT_EQ(model.exportText(),
              "Tables\n"
              "  Orders\n"
              "    Fields (3)\n"
              "      OrderID (Long)\n"
              "      ID (Long)\n"
              "      BookID (Long)\n"
              "    Indexes (1)\n"
              "      OrderID (PrimaryKey)\n"
              "Views\n"
              "  BookList\n"
              "    ID (Long)\n"
              "    Title (Text 50)\n"
              "    A/B (Integer)\n"
              "  Broken\n"
              "    Error in view def.\n");
    EXPECT_EQ(model.nodeCount(), 15);
}

}  // namespace
