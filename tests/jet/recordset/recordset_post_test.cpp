// Posting a recordset's edit buffer: new records, edits and deletes reach
// the file through the table editor and the recordset shows what was stored;
// a refused post leaves the file and the edit state as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/recordset/recordset.h"
#include "jet/table/table_editor.h"
#include "support/fixtures.h"
#include "table/table_editor_test_support.h"

namespace jet {
namespace {

using testing_support::TempDir;

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string text(const Value& v) {
    if (v.isNull()) return "null";
    if (v.is<std::string>()) return v.as<std::string>();
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    if (v.is<double>()) return std::to_string(v.as<double>());
    return "?";
}

// The named field of every record of a fresh recordset over `sql`.
std::string column(Database& db, const std::string& sql, const std::string& field) {
    Recordset rs;
    rs.open(db, sql);
    std::string out;
    for (rs.first(); !rs.isEof(); rs.next()) {
        if (!out.empty()) out += ',';
        out += text(rs.value(field));
    }
    return out;
}

// A file holding table T (see table_editor_test_support.h) with the rows
// Alpha, Beta, Gamma (codes c1..c3, amounts 1..3).
struct TFile {
    TempDir dir;
    std::string path = (dir.path() / "t.mdb").string();
    std::shared_ptr<Database> db;

    explicit TFile(JetVersion version = JetVersion::Jet4) {
        testing_support::writeEmptyTableFile(path, version, testing_support::editorTableSpec());
        reopen();
        TableEditor editor(*db, "T");
        const char* names[] = {"Alpha", "Beta", "Gamma"};
        for (int i = 0; i < 3; ++i) {
            editor.insert(std::vector<Value>{Value(), Value::text(names[i]), Value::real(i + 1),
                                             Value::dateTime(40000), Value(),
                                             Value::text("c" + std::to_string(i + 1))});
        }
    }
    void reopen() {
        db.reset();
        OpenOptions writable;
        writable.writable = true;
        db = Database::open(path, writable);
    }
};

struct Shape {
    const char* what;
    const char* sql;
    bool onDemand;
};

// The same sequence over a result read from the file on demand and over one
// held in memory (an expression column makes the recordset keep its rows).
const Shape kShapes[] = {
    {"read on demand", "SELECT * FROM T", true},
    {"held in memory", "SELECT ID, Name, Amount, Code, Amount * 2 AS Twice FROM T", false},
};

TEST(RecordsetPost, InsertEditAndDeleteReachTheFile) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.what);
        TFile file;
        Recordset rs;
        rs.open(*file.db, shape.sql);
        ASSERT_EQ(rs.readsOnDemand(), shape.onDemand);
        ASSERT_TRUE(rs.canModify());

        // A new record: the auto-number is filled in, it comes last and is current.
        rs.addNew();
        rs.setFieldValue(*rs.fieldIndex("Name"), Value::text("Delta"));
        rs.setFieldValue(*rs.fieldIndex("Code"), Value::text("c4"));
        rs.setFieldValue(*rs.fieldIndex("Amount"), Value::text("4.5"));  // converted on the way
        EXPECT_EQ(text(rs.value("Name")), "Delta");  // the buffer shows while editing
        rs.post();
        EXPECT_EQ(rs.editState(), EditState::Browse);
        EXPECT_EQ(rs.recordCount(), 4u);
        EXPECT_EQ(rs.recNo(), 4u);
        EXPECT_EQ(text(rs.value("ID")), "4");
        EXPECT_EQ(text(rs.value("Amount")), text(Value::real(4.5)));
        const std::optional<Bookmark> delta = rs.bookmark();

        // An edit of the first record keeps its other fields.
        rs.first();
        rs.edit();
        rs.setFieldValue(*rs.fieldIndex("Name"), Value::text("Aleph"));
        rs.post();
        EXPECT_EQ(text(rs.value("Name")), "Aleph");
        EXPECT_EQ(text(rs.value("Code")), "c1");
        ASSERT_TRUE(rs.moveToBookmark(*delta));
        EXPECT_EQ(text(rs.value("Name")), "Delta");

        // Deleting the second record makes the third current; deleting the
        // last makes the one before it current.
        rs.first();
        rs.next();
        const std::optional<Bookmark> beta = rs.bookmark();
        rs.remove();
        EXPECT_EQ(text(rs.value("Name")), "Gamma");
        EXPECT_FALSE(rs.isBookmarkValid(*beta));
        EXPECT_FALSE(rs.moveToBookmark(*beta));
        rs.last();
        rs.remove();
        EXPECT_EQ(text(rs.value("Name")), "Gamma");
        EXPECT_EQ(rs.recordCount(), 2u);
        EXPECT_FALSE(rs.isBookmarkValid(*delta));
        // A filter rebuilt afterwards does not bring deleted records back.
        rs.setFilter("Code <> 'zz'");
        EXPECT_EQ(rs.recordCount(), 2u);

        file.reopen();
        EXPECT_EQ(column(*file.db, "SELECT * FROM T", "Name"), "Aleph,Gamma");
        EXPECT_EQ(file.db->table("T")->rowCount, 2u);
        EXPECT_TRUE(checkDatabase(*file.db).ok());
    }
}

// A post the table refuses: the message comes through, the file is byte for
// byte as it was, and the buffer stays for the user to correct.
TEST(RecordsetPost, RefusedPostKeepsTheEditAndTheFile) {
    TFile file;
    Recordset rs;
    rs.open(*file.db, "SELECT * FROM T");
    const std::vector<char> before = fileBytes(file.path);

    rs.edit();
    rs.setFieldValue(*rs.fieldIndex("Name"), Value::text("beta"));  // the unique index holds Beta
    try {
        rs.post();
        FAIL() << "a duplicate name was posted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::Constraint);
        EXPECT_NE(std::string(e.what()).find("duplicate values in the index"), std::string::npos);
    }
    EXPECT_EQ(rs.editState(), EditState::Edit);
    EXPECT_EQ(text(rs.value("Name")), "beta");
    rs.setFieldValue(*rs.fieldIndex("Name"), Value::text("Alpha2"));
    rs.post();
    EXPECT_EQ(text(rs.value("Name")), "Alpha2");

    const std::vector<char> afterEdit = fileBytes(file.path);
    rs.addNew();
    rs.setFieldValue(*rs.fieldIndex("Name"), Value::text("NoCode"));
    EXPECT_THROW(
        {
            try {
                rs.post();
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "You must enter a value in the 'T.Code' field.");
                throw;
            }
        },
        Error);
    EXPECT_EQ(rs.editState(), EditState::Insert);
    EXPECT_EQ(rs.recordCount(), 3u);
    EXPECT_EQ(fileBytes(file.path), afterEdit);
    EXPECT_NE(afterEdit, before);
    rs.cancel();
    EXPECT_EQ(rs.editState(), EditState::Browse);
    // The definition the database keeps was not left with the refused row's count.
    EXPECT_EQ(file.db->table("T")->rowCount, 3u);
}

// A join of two row sources: each field goes back to its own row, both in
// one transaction; a new record may fill one table only and nothing is
// deleted, since a joined row stands for rows of both.
TEST(RecordsetPost, JoinedRowsChangeEachBaseRow) {
    TFile file;
    Recordset rs;
    rs.open(*file.db,
            "SELECT a.Name, b.Code, b.Amount FROM T AS a INNER JOIN T AS b ON a.ID = b.ID "
            "ORDER BY a.ID");
    rs.edit();
    rs.setFieldValue(0, Value::text("First"));
    rs.setFieldValue(1, Value::text("k1"));
    rs.post();
    EXPECT_EQ(text(rs.value(0)), "First");
    EXPECT_EQ(text(rs.value(1)), "k1");
    EXPECT_EQ(column(*file.db, "SELECT * FROM T", "Name"), "First,Beta,Gamma");
    EXPECT_EQ(column(*file.db, "SELECT * FROM T", "Code"), "k1,c2,c3");

    try {
        rs.remove();
        FAIL() << "a joined row was deleted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Could not delete from specified tables.");
    }
    rs.addNew();
    rs.setFieldValue(0, Value::text("x"));
    rs.setFieldValue(1, Value::text("y"));
    EXPECT_THROW(rs.post(), Error);
    rs.cancel();
    EXPECT_EQ(file.db->table("T")->rowCount, 3u);
    EXPECT_TRUE(checkDatabase(*file.db).ok());
}

TEST(RecordsetPost, ReadOnlyFilesAndResultsRefuseToStart) {
    TFile file;
    file.db.reset();
    const std::shared_ptr<Database> readOnly = Database::open(file.path);
    Recordset rs;
    rs.open(*readOnly, "SELECT * FROM T");
    EXPECT_FALSE(rs.canModify());
    EXPECT_THROW(rs.edit(), Error);
    EXPECT_THROW(rs.addNew(), Error);
    EXPECT_THROW(rs.remove(), Error);

    file.reopen();
    Recordset grouped;
    grouped.open(*file.db, "SELECT Code, Count(*) AS N FROM T GROUP BY Code");
    EXPECT_FALSE(grouped.canModify());
    EXPECT_THROW(grouped.edit(), Error);
}

}  // namespace
}  // namespace jet
