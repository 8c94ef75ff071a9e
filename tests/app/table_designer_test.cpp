// The table designer on the "Tables" page: rows are marked as they are
// edited, saving applies every mark to the open file as one change, and a
// refused save leaves the file byte for byte as it was with the edits still
// in the grids.
#include "app/table_designer.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include "app/f_main.h"
#include "app_test_support.h"
#include "db/dao_database.h"
#include "db/xdbtool_MDB_schema.h"
#include "jet/sql/executor/executor.h"
#include "jet/value_text.h"
#include "kit/xImprovedComps.h"
#include "kit/xStringGridEd.h"
#include "kit/xdlg_scripted.h"
#include "main_window_test_support.h"
#include "structure_tree_test_support.h"

namespace {

using TD = TTableDesigner;

class TableDesignerTest : public app_test::MainWindowTest {
protected:
    void openShop() {
        const QString file = dir.filePath("shop.mdb");
        structure_test::writeShopDatabase(file, 4);
        open(file);
    }
    // "Parts": ID (key), Name, City (two rows in each city), in no relation.
    void makeParts() {
        TFieldRec id, name, city;
        id.FieldName = "ID";
        id.FieldType = 4;
        name.FieldName = "Name";
        name.FieldType = 10;
        name.FieldSize = 50;
        city.FieldName = "City";
        city.FieldType = 10;
        city.FieldSize = 30;
        TIndexRec key;
        key.IndexName = "PrimaryKey";
        key.FieldNames = "ID";
        key.Primary = true;
        dao::Database& db = *Main.session().DB();
        CreateTable(db, "Parts", {id, name, city}, {key});
        ExecuteSQL(db, "INSERT INTO Parts VALUES (1, 'Nut', 'Oslo')");
        ExecuteSQL(db, "INSERT INTO Parts VALUES (2, 'Bolt', 'Oslo')");
        ExecuteSQL(db, "INSERT INTO Parts VALUES (3, 'Gear', 'Rome')");
        ExecuteSQL(db, "INSERT INTO Parts VALUES (4, 'Pin', 'Rome')");
        designer().LoadTableList("Parts");
    }
    TD& designer() { return *Main.tableTab; }
    TxStringGridEd& fields() { return *designer().sgFld; }
    TxStringGridEd& indexes() { return *designer().sgIdx; }
    void choose(const QString& table) {
        const int i = designer().cbTables->findText(table);
        ASSERT_GE(i, 0) << table.toStdString();
        designer().cbTablesClick(i);
    }
    int fieldRow(const QString& name) {
        for (int r = 1; r < fields().RowCount(); ++r)
            if (fields().Cells(TD::fcName, r) == name) return r;
        return -1;
    }
    int indexRow(const QString& name) {
        for (int r = 1; r < indexes().RowCount(); ++r)
            if (indexes().Cells(TD::icName, r) == name) return r;
        return -1;
    }
    // A new field typed into the grid's last row, as a user does.
    void typeField(const QString& name, const QString& type, const QString& size = {}) {
        const int r = fields().RowCount() - 1;
        fields().SetStringCells(TD::fcName, r, name);
        fields().SetStringCells(TD::fcType, r, type);
        if (!size.isEmpty()) fields().SetStringCells(TD::fcSize, r, size);
    }
    // Save through the action, as the button does; errors are reported.
    void save() { Main.actTableStore->trigger(); }
    QStringList fieldNames(const QString& table) {
        TFieldRecArray loaded;
        QStringList names;
        GetTableFields(*Main.session().DB(), table, loaded, &names);
        return names;
    }
    QStringList values(const std::string& sql) {
        jet::Database& e = Main.session().DB()->engineHandle().database();
        jet::TextForm form;
        form.null = "NULL";
        QStringList out;
        for (const auto& row : jet::sql::executeSelect(e, sql).rows)
            out << QString::fromStdString(jet::valueText(row.values.at(0), form));
        return out;
    }
};

TEST_F(TableDesignerTest, LoadsFieldsAndIndexesAndMarksRowsAsTheyAreEdited) {
    openShop();
    EXPECT_EQ(designer().tableNames(), (QStringList{"Customers", "Order-Details"}));
    ASSERT_EQ(designer().selectedTable(), "Customers");
    ASSERT_EQ(fieldRow("ID"), 1);
    EXPECT_EQ(fields().Cells(TD::fcType, 1), "Long");
    EXPECT_EQ(fields().Cells(TD::fcAutoInc, 1), "0");
    EXPECT_EQ(fields().Cells(TD::fcType, 2), "Text");
    EXPECT_EQ(fields().Cells(TD::fcSize, 2), "50");
    EXPECT_EQ(fields().RowCount(), 5);  // three fields and the new row
    ASSERT_EQ(indexRow("PrimaryKey"), 1);
    EXPECT_EQ(indexes().Cells(TD::icFields, 1), "ID");
    EXPECT_EQ(indexes().Cells(TD::icPrimary, 1), "1");

    // The cell rules: what may be typed into which cell.
    struct Case {
        int row, col;
        bool editable;
    };
    for (const Case c :
         {Case{1, TD::fcType, true}, Case{1, TD::fcSize, false},     // Long: no size
          Case{1, TD::fcZeroLen, false}, Case{2, TD::fcSize, true},  // Text
          Case{2, TD::fcZeroLen, true}, Case{4, TD::fcName, true},   // the new row: its name only
          Case{4, TD::fcType, false}}) {
        EXPECT_EQ(fields().core().mayModify(c.col, c.row, true), c.editable)
            << "row " << c.row << " col " << c.col;
    }

    // A name change alone is "Rename"; anything else makes it "Edit", which
    // stays "Edit" when the name changes afterwards.
    fields().SetStringCells(TD::fcName, 3, "Town");
    EXPECT_EQ(fields().Cells(TD::fcAction, 3), "Rename");
    fields().SetStringCells(TD::fcSize, 3, "40");
    fields().SetStringCells(TD::fcName, 3, "Place");
    EXPECT_EQ(fields().Cells(TD::fcAction, 3), "Edit");
    EXPECT_TRUE(Main.session().TableChanged);
    EXPECT_TRUE(Main.actTableStore->isEnabled());

    // AutoInc on a Text field makes it a Long.
    fields().core().toggleCheckBox(TD::fcAutoInc, 2);
    EXPECT_EQ(fields().Cells(TD::fcType, 2), "Long");
    EXPECT_EQ(fields().Cells(TD::fcAction, 2), "Edit");
    EXPECT_FALSE(fields().core().mayModify(TD::fcType, 2, true));  // an AutoNumber keeps its type

    // Taking a "Del" back gives the row the mark it had.
    fields().SelectFirstCell(TD::fcName, 3);
    designer().btFldDelAnchorClick("Del");
    EXPECT_EQ(fields().Cells(TD::fcAction, 3), "Del");
    designer().btFldDelAnchorClick("Del");
    EXPECT_EQ(fields().Cells(TD::fcAction, 3), "Edit");

    // A new row gets "Add"; "Del" on it removes the row.
    typeField("Extra", "Memo");
    EXPECT_EQ(fields().Cells(TD::fcAction, 4), "Add");
    EXPECT_EQ(fields().RowCount(), 6);
    fields().SelectFirstCell(TD::fcName, 4);
    designer().btFldDelAnchorClick("Del");
    EXPECT_EQ(fields().RowCount(), 5);

    // Leaving the table asks to store; Cancel keeps it and its edits.
    dialogs.answerMessage(mrCancel);
    Main.actTableReload->trigger();
    EXPECT_EQ(designer().selectedTable(), "Customers");
    EXPECT_EQ(fields().Cells(TD::fcName, 3), "Place");
}

TEST_F(TableDesignerTest, AddsATableWithEveryCreatableTypeInOneSave) {
    const QString file = dir.filePath("new.accdb");
    CreateMDB(file, 1033, 256);
    open(file);
    dialogs.answerInput(QStringLiteral("Things"));
    Main.actTableAdd->trigger();
    ASSERT_EQ(designer().selectedTable(), "Things");
    EXPECT_EQ(fieldNames("Things"), QStringList{"Temp"});
    EXPECT_EQ(fields().Cells(TD::fcSize, 1), "10");

    QStringList types;
    FillFieldTypes(types);
    types.removeAll("BigInt");  // needs the 2016 format
    for (const QString& type : types)
        typeField("F" + type, type, type == "Text" ? "80" : QString());
    fields().core().toggleCheckBox(TD::fcAutoInc, fieldRow("FLong"));
    fields().core().toggleCheckBox(TD::fcReq, fieldRow("FDate"));
    fields().SetStringCells(TD::fcDefault, fieldRow("FInteger"), "7");
    fields().SelectFirstCell(TD::fcName, fieldRow("FText"));
    designer().btFldDelAnchorClick("AddIdx");
    EXPECT_EQ(indexes().Cells(TD::icAction, 1), "Add");
    EXPECT_EQ(indexes().Cells(TD::icFields, 1), "FText");
    save();
    ASSERT_EQ(lastMessage(), QString()) << "no error expected";

    QStringList expected{"Temp"};
    for (const QString& type : types) expected << "F" + type;
    EXPECT_EQ(fieldNames("Things"), expected);
    EXPECT_FALSE(Main.session().TableChanged);
    for (const QString& type : types)
        EXPECT_EQ(fields().Cells(TD::fcType, fieldRow("F" + type)), type);
    EXPECT_EQ(fields().Cells(TD::fcSize, fieldRow("FText")), "80");
    EXPECT_EQ(fields().Cells(TD::fcAutoInc, fieldRow("FLong")), "1");
    EXPECT_EQ(fields().Cells(TD::fcReq, fieldRow("FDate")), "1");
    EXPECT_EQ(fields().Cells(TD::fcDefault, fieldRow("FInteger")), "7");
    EXPECT_EQ(indexes().Cells(TD::icName, 1), "FText");
    app_test::expectSoundFile(path);

    // A type this format cannot hold is the engine's refusal, and nothing of
    // the save is applied.
    typeField("Late", "Text");
    typeField("Big", "BigInt");
    const QByteArray before = testing_support::qtFileBytes(path);
    dialogs.answerMessage(mrOk);
    save();
    EXPECT_TRUE(lastMessage().contains("Invalid field data type.")) << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    EXPECT_EQ(fields().Cells(TD::fcAction, fieldRow("Late")), "Add");
    EXPECT_EQ(fields().Row(), fieldRow("Big"));
    EXPECT_TRUE(Main.session().TableChanged);
}

TEST_F(TableDesignerTest, ChangingLongToDoubleKeepsEveryValue) {
    open(app_test::copyFixture(dir, "V2010/testV2010.accdb"));
    choose("Table1");
    const QStringList old = values("SELECT E FROM Table1 ORDER BY A");
    ASSERT_EQ(old, (QStringList{"0", "333333333"}));
    const int r = fieldRow("E");
    fields().SetStringCells(TD::fcType, r, "Double");
    EXPECT_EQ(fields().Cells(TD::fcAction, r), "Edit");
    save();
    ASSERT_EQ(lastMessage(), QString());
    EXPECT_EQ(fields().Cells(TD::fcType, fieldRow("E")), "Double");
    EXPECT_EQ(values("SELECT E FROM Table1 ORDER BY A"), old);
    EXPECT_FALSE(fieldNames("Table1").contains("E_tmpx"));
    app_test::expectSoundFile(path);
}

TEST_F(TableDesignerTest, ACopyThatCannotConvertChangesNothing) {
    open(app_test::copyFixture(dir, "V2010/testV2010.accdb"));
    choose("Table1");
    const QStringList names = fieldNames("Table1");
    const QByteArray before = testing_support::qtFileBytes(path);
    // Field A holds "a" and "abcdefg": neither is a number.
    fields().SetStringCells(TD::fcType, fieldRow("A"), "Long");
    dialogs.answerMessage(mrOk);
    save();
    EXPECT_TRUE(lastMessage().contains("Data cannot be copied to the renamed field."))
        << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    EXPECT_EQ(fieldNames("Table1"), names);
    EXPECT_EQ(fields().Cells(TD::fcAction, fieldRow("A")), "Edit");
}

TEST_F(TableDesignerTest, RenamedFieldsKeepTheirIndexesAndRefusalsChangeNothing) {
    openShop();
    fields().SelectFirstCell(TD::fcName, fieldRow("City (main)"));
    designer().btFldDelAnchorClick("AddIdx");
    indexes().SetStringCells(TD::icName, indexes().RowCount() - 2, "ByCity");
    save();
    ASSERT_GE(indexRow("ByCity"), 1);

    fields().SetStringCells(TD::fcName, fieldRow("City (main)"), "Town");
    save();
    ASSERT_EQ(lastMessage(), QString());
    EXPECT_EQ(indexes().Cells(TD::icFields, indexRow("ByCity")), "Town");
    EXPECT_EQ(values("SELECT Town FROM Customers WHERE ID=1"), QStringList{"Berlin"});

    // A field an index uses cannot go: the engine's message, nothing changed,
    // the mark still there.
    const QByteArray before = testing_support::qtFileBytes(path);
    fields().SelectFirstCell(TD::fcName, fieldRow("Town"));
    designer().btFldDelAnchorClick("Del");
    dialogs.answerMessage(mrOk);
    save();
    EXPECT_TRUE(lastMessage().contains(
        "Cannot delete a field that is part of an index or is needed by the system."))
        << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    EXPECT_EQ(fields().Cells(TD::fcAction, fieldRow("Town")), "Del");

    // Every marked row is checked before the first one is applied.
    designer().btFldDelAnchorClick("Del");
    fields().SetStringCells(TD::fcName, fieldRow("Name"), "FullName");
    typeField("Broken", "");
    dialogs.answerMessage(mrOk);
    save();
    EXPECT_TRUE(lastMessage().contains("choose a type")) << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    EXPECT_EQ(fields().Row(), fieldRow("Broken"));
    app_test::expectSoundFile(path);
}

TEST_F(TableDesignerTest, ChangedFieldsKeepTheirRules) {
    openShop();
    makeParts();
    TFieldRec code;
    code.FieldName = "Code";
    code.FieldType = 10;
    code.FieldSize = 20;
    code.ValidationRule = "Like \"C*\"";
    code.ValidationText = "Codes begin with C.";
    AppendField(*Main.session().DB(), "Parts", code);
    ExecuteSQL(*Main.session().DB(), "UPDATE Parts SET Code='C' & ID");
    designer().LoadTableList("Parts");

    fields().SetStringCells(TD::fcSize, fieldRow("Code"), "30");
    save();
    ASSERT_EQ(lastMessage(), QString());
    TFieldRecArray loaded;
    GetTableFields(*Main.session().DB(), "Parts", loaded);
    const auto it = std::find_if(loaded.begin(), loaded.end(),
                                 [](const TFieldRec& f) { return f.FieldName == "Code"; });
    ASSERT_NE(it, loaded.end());
    EXPECT_EQ(it->FieldSize, 30);
    EXPECT_EQ(it->ValidationRule, "Like \"C*\"");
    EXPECT_EQ(it->ValidationText, "Codes begin with C.");
    EXPECT_EQ(values("SELECT Code FROM Parts WHERE ID=2"), QStringList{"C2"});
    app_test::expectSoundFile(path);
}

TEST_F(TableDesignerTest, RulesChangeInPlaceAndTheFieldKeepsItsPlace) {
    openShop();
    makeParts();
    fields().core().toggleCheckBox(TD::fcReq, fieldRow("Name"));
    fields().SetStringCells(TD::fcDefault, fieldRow("Name"), "\"none\"");
    EXPECT_EQ(fields().Cells(TD::fcAction, fieldRow("Name")), "Edit");
    save();
    ASSERT_EQ(lastMessage(), QString());
    EXPECT_EQ(fieldNames("Parts"), (QStringList{"ID", "Name", "City"}));
    EXPECT_EQ(fields().Cells(TD::fcReq, fieldRow("Name")), "1");
    EXPECT_EQ(fields().Cells(TD::fcDefault, fieldRow("Name")), "\"none\"");
    EXPECT_EQ(values("SELECT Name FROM Parts WHERE ID=3"), QStringList{"Gear"});
    EXPECT_THROW(ExecuteSQL(*Main.session().DB(), "UPDATE Parts SET Name=Null WHERE ID=3"),
                 std::exception);

    // A part without a city: City cannot become required, nothing changes.
    ExecuteSQL(*Main.session().DB(), "INSERT INTO Parts (ID, Name) VALUES (5, 'Cog')");
    designer().LoadTableList("Parts");
    const QByteArray before = testing_support::qtFileBytes(path);
    fields().core().toggleCheckBox(TD::fcReq, fieldRow("City"));
    dialogs.answerMessage(mrOk);
    save();
    EXPECT_TRUE(lastMessage().contains("You must enter a value in the 'Parts.City' field."))
        << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    app_test::expectSoundFile(path);
}

TEST_F(TableDesignerTest, IndexRowsAddDescendingFieldsEditPrimaryKeysAndKeepRefusedOnes) {
    openShop();
    makeParts();
    // "-Name" is a descending field, not a field named "-Name".
    const int n = indexes().RowCount() - 1;
    indexes().SetStringCells(TD::icName, n, "ByName");
    indexes().SetStringCells(TD::icFields, n, "-Name;City");
    save();
    ASSERT_EQ(lastMessage(), QString());
    EXPECT_EQ(indexes().Cells(TD::icFields, indexRow("ByName")), "-Name;City");

    // The primary key takes another field list: one change, no second key.
    indexes().SetStringCells(TD::icFields, indexRow("PrimaryKey"), "ID;Name");
    EXPECT_EQ(indexes().Cells(TD::icAction, indexRow("PrimaryKey")), "Edit");
    save();
    ASSERT_EQ(lastMessage(), QString());
    EXPECT_EQ(indexes().Cells(TD::icFields, indexRow("PrimaryKey")), "ID;Name");
    EXPECT_EQ(indexes().Cells(TD::icPrimary, indexRow("PrimaryKey")), "1");

    // A unique index over a field with duplicates: Access's message, and the
    // index it was to replace stays.
    const QByteArray before = testing_support::qtFileBytes(path);
    const int byName = indexRow("ByName");
    indexes().SetStringCells(TD::icFields, byName, "City");
    indexes().core().toggleCheckBox(TD::icUnique, byName);
    dialogs.answerMessage(mrOk);
    save();
    EXPECT_TRUE(lastMessage().contains("duplicate values")) << lastMessage().toStdString();
    EXPECT_EQ(testing_support::qtFileBytes(path), before);
    designer().LoadIndexGrid();
    EXPECT_EQ(indexes().Cells(TD::icFields, indexRow("ByName")), "-Name;City");

    // Primary implies Unique and Required.
    indexes().core().toggleCheckBox(TD::icPrimary, indexRow("ByName"));
    EXPECT_EQ(indexes().Cells(TD::icUnique, indexRow("ByName")), "1");
    EXPECT_FALSE(indexes().core().mayModify(TD::icUnique, indexRow("ByName")));
    app_test::expectSoundFile(path);
}

TEST_F(TableDesignerTest, DeleteAllMarksEveryIndexOrNone) {
    openShop();
    const int n = indexes().RowCount() - 1;
    indexes().SetStringCells(TD::icName, n, "ByName");
    indexes().SetStringCells(TD::icFields, n, "Name");
    save();
    ASSERT_EQ(designer().IdxCount, 2);
    // One marked, one not, and a new row: all marked, the new row gone.
    indexes().SelectFirstCell(TD::icName, 1);
    designer().btIdxDelAnchorClick("DelSel");
    indexes().SetStringCells(TD::icName, indexes().RowCount() - 1, "Pending");
    designer().btIdxDelAnchorClick("DelAll");
    EXPECT_EQ(indexes().RowCount(), 4);  // the titles, two indexes, the new row
    EXPECT_EQ(indexes().Cells(TD::icAction, 1), "Del");
    EXPECT_EQ(indexes().Cells(TD::icAction, 2), "Del");
    designer().btIdxDelAnchorClick("DelAll");
    EXPECT_EQ(indexes().Cells(TD::icAction, 1), "");
    EXPECT_EQ(indexes().Cells(TD::icAction, 2), "");
}

TEST_F(TableDesignerTest, TableCommandsCheckNamesAndSelectTheNeighbour) {
    openShop();
    dialogs.answerInput(QStringLiteral("customers"));
    dialogs.answerMessage(mrOk);
    Main.actTableAdd->trigger();
    EXPECT_TRUE(lastMessage().contains("Object \"customers\" already exists."));

    dialogs.answerInput(QStringLiteral("Clients"));
    Main.actTableRename->trigger();
    EXPECT_EQ(designer().selectedTable(), "Clients");
    EXPECT_EQ(designer().tableNames(), (QStringList{"Clients", "Order-Details"}));

    // A table in an enforced relation stays, with the engine's message.
    choose("Order-Details");
    dialogs.answerMessage(mrYes);
    dialogs.answerMessage(mrOk);
    Main.actTableDel->trigger();
    EXPECT_TRUE(lastMessage().contains("it is used in a relationship."))
        << lastMessage().toStdString();
    EXPECT_EQ(designer().tableNames(), (QStringList{"Clients", "Order-Details"}));

    // The last table goes: the one before it is selected.
    dialogs.answerInput(QStringLiteral("Zed"));
    Main.actTableAdd->trigger();
    ASSERT_EQ(designer().selectedTable(), "Zed");
    dialogs.answerMessage(mrYes);
    Main.actTableDel->trigger();
    EXPECT_EQ(designer().tableNames(), (QStringList{"Clients", "Order-Details"}));
    EXPECT_EQ(designer().selectedTable(), "Order-Details");
    app_test::expectSoundFile(path);
}

}  // namespace
