// Operations the table editor must refuse, in Access's words, and what a
// refused operation leaves: the file byte for byte as it was, no journal
// beside it, the editor still usable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/journal.h"
#include "jet/table/table_editor.h"
#include "support/fixtures.h"
#include "support/table_file.h"
#include "table/table_editor_test_support.h"

namespace jet {
namespace {

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Value> tRow(Value name, Value code, Value notes = Value()) {
    return {Value(), std::move(name), Value::real(1.5), Value::dateTime(40000), std::move(notes),
            std::move(code)};
}

const char* const kDuplicate =
    "The changes you requested to the table were not successful because they would create "
    "duplicate values in the index, primary key, or relationship. Change the data in the field or "
    "fields that contain duplicate data, remove the index, or redefine the index to permit "
    "duplicate entries and try again.";

struct Refusal {
    const char* what;
    // Returns nothing; throws what the editor throws.
    void (*operation)(TableEditor&, RowPointer first, RowPointer second);
    ErrorCode code;
    const char* message;  // "" = not compared
};

const Refusal kRefusals[] = {
    {"a name the unique index holds, on insert",
     [](TableEditor& e, RowPointer, RowPointer) {
         e.insert(tRow(Value::text("alpha"), Value::text("c9")));
     },
     ErrorCode::Constraint, kDuplicate},
    {"a name the unique index holds for another row, on update",
     [](TableEditor& e, RowPointer, RowPointer second) {
         e.update(second, tRow(Value::text("Alpha"), Value::text("c9")));
     },
     ErrorCode::Constraint, kDuplicate},
    {"no value for a required field",
     [](TableEditor& e, RowPointer, RowPointer) { e.insert(tRow(Value::text("New"), Value())); },
     ErrorCode::Constraint, "You must enter a value in the 'T.Code' field."},
    {"no value for a required field, on update",
     [](TableEditor& e, RowPointer first, RowPointer) { e.update(first, tRow(Value::text("Alpha"), Value())); },
     ErrorCode::Constraint, "You must enter a value in the 'T.Code' field."},
    {"a zero-length text the field does not allow",
     [](TableEditor& e, RowPointer, RowPointer) {
         e.insert(tRow(Value::text("New"), Value::text("")));
     },
     ErrorCode::Constraint, "Field 'T.Code' cannot be a zero-length string."},
    {"text longer than the field",
     [](TableEditor& e, RowPointer, RowPointer) {
         e.insert(tRow(Value::text(std::string(41, 'x')), Value::text("c9")));
     },
     ErrorCode::Constraint,
     // Access's text, and the field's name after it as the bulk writer gives it.
     "The field is too small to accept the amount of data you attempted to add. Try inserting or "
     "pasting less data. (field 'Name')"},
    {"a row that is not there",
     [](TableEditor& e, RowPointer, RowPointer second) {
         e.remove(RowPointer{second.page, static_cast<uint8_t>(second.row + 40)});
     },
     ErrorCode::NotFound, ""},
    {"too few values",
     [](TableEditor& e, RowPointer, RowPointer) {
         std::vector<Value> three{Value(), Value::text("x"), Value::real(1)};
         e.insert(three);
     },
     ErrorCode::InvalidArgument, ""},
};

// Each refusal on a file holding two rows ("Alpha", "Beta"): the file stays
// byte-identical, no journal is left, and the table takes a valid row after.
TEST(TableEditorRefusals, LeaveTheFileAsItWas) {
    for (const Refusal& r : kRefusals) {
        SCOPED_TRACE(r.what);
        testing_support::TempDir dir;
        const std::string path = (dir.path() / "t.mdb").string();
        testing_support::writeEmptyTableFile(path, JetVersion::Jet4,
                                             testing_support::editorTableSpec());
        OpenOptions writable;
        writable.writable = true;
        std::shared_ptr<Database> db = Database::open(path, writable);
        TableEditor editor(*db, "T");
        const RowPointer first = editor.insert(tRow(Value::text("Alpha"), Value::text("c1")));
        const RowPointer second =
            editor.insert(tRow(Value::text("Beta"), Value::text("c2"), Value::text(std::string(5000, 'm'))));
        const std::vector<char> before = fileBytes(path);
        bool refused = false;
        try {
            r.operation(editor, first, second);
        } catch (const Error& e) {
            refused = true;
            EXPECT_EQ(e.code(), r.code) << e.what();
            if (*r.message) {
                EXPECT_EQ(std::string(e.what()), r.message);
            }
            EXPECT_EQ(fileBytes(path), before);
        }
        EXPECT_TRUE(refused);
        EXPECT_FALSE(std::filesystem::exists(journalPathFor(path)));
        editor.insert(tRow(Value::text("Gamma"), Value::text("c3")));
        EXPECT_EQ(editor.def().rowCount, 3u);
        EXPECT_TRUE(checkDatabase(*db).ok());
    }
}

// A deleted row is gone for every later operation, and its id with it.
TEST(TableEditorRefusals, DeletedRowIsNotFoundAgain) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "t.mdb").string();
    testing_support::writeEmptyTableFile(path, JetVersion::Jet4, testing_support::editorTableSpec());
    OpenOptions writable;
    writable.writable = true;
    std::shared_ptr<Database> db = Database::open(path, writable);
    TableEditor editor(*db, "T");
    const RowPointer id = editor.insert(tRow(Value::text("Alpha"), Value::text("c1"), Value::text(std::string(9000, 'q'))));
    editor.remove(id);
    const std::vector<char> after = fileBytes(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                editor.remove(id);
            else
                editor.update(id, tRow(Value::text("Beta"), Value::text("c2")));
            ADD_FAILURE() << "a deleted row was changed";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::NotFound) << e.what();
        }
    }
    EXPECT_EQ(fileBytes(path), after);
    EXPECT_EQ(editor.def().rowCount, 0u);
    // The name is free again.
    editor.insert(tRow(Value::text("Alpha"), Value::text("c1")));
    EXPECT_TRUE(checkDatabase(*db).ok());
}

// A row found too large only once its long value is on its page: the
// long-value page written in the transaction goes with the rollback.
TEST(TableEditorRefusals, TooLargeRowAfterItsLongValueRollsBack) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "wide.accdb").string();
    TableSpec spec;
    spec.name = "Wide";
    spec.columns.push_back(testing_support::columnSpec("Notes", 12));
    for (int i = 0; i < 10; ++i)
        spec.columns.push_back(testing_support::columnSpec("T" + std::to_string(i), 10, 255));
    testing_support::writeEmptyTableFile(path, JetVersion::Ace14, spec);
    OpenOptions writable;
    writable.writable = true;
    std::shared_ptr<Database> db = Database::open(path, writable);
    TableEditor editor(*db, "Wide");
    const std::vector<char> before = fileBytes(path);
    std::vector<Value> row{Value::text(std::string(3000, 'n'))};
    // Greek letters do not compress: two bytes each.
    std::string greek;
    for (int i = 0; i < 255; ++i) greek += "λ";
    for (int i = 0; i < 10; ++i) row.push_back(Value::text(greek));
    try {
        editor.insert(row);
        ADD_FAILURE() << "a row of over 5,000 bytes was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Record is too large.");
    }
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(journalPathFor(path)));
    row.resize(3);
    row.resize(11);
    editor.insert(row);
    EXPECT_TRUE(checkDatabase(*db).ok());
}

// Tables and files the editor does not change yet are refused when it is
// made, naming what stands in the way.
TEST(TableEditorRefusals, WhatCannotBeEditedYetIsNamed) {
    testing_support::TempDir dir;
    OpenOptions writable;
    writable.writable = true;
    struct Case {
        const char* fixture;
        const char* table;
        const char* named;
    } cases[] = {
        {"V2010/complexDataTestV2010.accdb", "Table1", "is an attachment or multi-value field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        std::shared_ptr<Database> db = Database::open(dir.copy(c.fixture).string(), writable);
        try {
            TableEditor editor(*db, c.table);
            ADD_FAILURE() << "the editor was made";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Unsupported);
            EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("'Table1'"), std::string::npos) << e.what();
        }
    }
    std::shared_ptr<Database> readOnly = Database::open(dir.copy("V2000/testV2000.mdb", "ro.mdb").string());
    EXPECT_THROW(TableEditor(*readOnly, "Table1"), Error);
}

}  // namespace
}  // namespace jet
