// Schema changes of open files: tables made, filled, read back and dropped
// on new files of every version and on copies of Access's own files; every
// changed file must pass the checker (which rebuilds each index from the
// rows) and read the same through mdbtools.
#include "jet/table/schema_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/format/data_page.h"
#include "jet/format/usage_map.h"
#include "jet/table/row_rules.h"
#include "jet/table/table_editor.h"
#include "jet/table/table_scan.h"
#include "jet/util/bytes.h"
#include "jet/write/create_database.h"
#include "support/fixtures.h"
#include "support/mdbtools_compare.h"
#include "table/schema_test_files.h"
#include "table/table_editor_test_support.h"

namespace jet {
namespace {

using testing_support::expectSound;
using testing_support::fileBytes;
using testing_support::FileCase;
using testing_support::openWritable;
using testing_support::prepare;
using testing_support::RowModel;

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

size_t freePageCount(Database& db) {
    return readUsageMap(db.pages(), db.version(), 1u << 8).size();
}

// Whether the free-page map can name `page`: an inline map reaches a fixed
// stretch of pages, and a page past it stays unlisted (unused until the
// file is compacted).
bool freeMapReaches(Database& db, uint32_t page) {
    PageRef ref = db.pages().page(1);
    const RowSlot slot = dataPageRow(Bytes(*ref), db.version(), 0);
    const Bytes row = Bytes(*ref).subspan(slot.start, slot.end - slot.start);
    if (row[0] != kInlineUsageMap) return true;
    const uint32_t start = readU32(row, 1);
    return page >= start && page - start < (row.size() - kInlineUsageMapHeader) * 8;
}

std::string mdbtools(const std::string& tool, const std::filesystem::path& path,
                     const std::string& more = "") {
    return testing_support::runCommand(tool + " " + testing_support::shellQuote(path.string()) +
                                       more + " 2>&1");
}

std::vector<Value> editorRow(int i) {
    return {Value(),
            Value::text("name " + std::to_string(i)),
            Value::real(i * 1.5),
            Value::dateTime(40000.0 + i),
            Value::text(std::string(i % 3 == 0 ? 3000 : 10, 'm')),
            Value::text("c" + std::to_string(i % 7))};
}

// Where a new table may be made: new files of each version and copies of
// files Access made.
const FileCase kFiles[] = {
    {"new Jet 3", JetVersion::Jet3, nullptr},
    {"new Jet 4", JetVersion::Jet4, nullptr},
    {"new ACE 12", JetVersion::Ace12, nullptr},
    {"new ACE 14", JetVersion::Ace14, nullptr},
    {"Access 97", JetVersion::Jet3, "V1997/testV1997.mdb"},
    {"Access 2000", JetVersion::Jet4, "V2000/testV2000.mdb"},
    {"Access 2010", JetVersion::Ace14, "V2010/indexTestV2010.accdb"},
};

TEST(SchemaEditor, NewTableIsFilledReadBackAndDroppedInEveryVersion) {
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::filesystem::path path = prepare(c, dir);
        TableSpec spec = testing_support::editorTableSpec();
        spec.name = "People";
        size_t freeBefore = 0;
        RowModel model;
        {
            std::shared_ptr<Database> db = openWritable(path);
            freeBefore = freePageCount(*db);
            SchemaEditor(*db).createTable(spec, "made in place");
            ASSERT_NE(db->findObject("People"), nullptr);
            TableEditor editor(*db, "People");
            for (int i = 1; i <= 60; ++i) {
                std::vector<Value> row = editorRow(i);
                const RowPointer id = editor.insert(row);
                model[id.packed()] = *readRow(*db, editor.def(), id);
            }
        }
        {
            std::shared_ptr<Database> db = Database::open(path.string());
            EXPECT_EQ(joined(testing_support::differencesFromModel(*db, "People", model)), "");
            EXPECT_EQ(db->table("People")->indexes.size(), spec.indexes.size());
        }
        expectSound(path);
        EXPECT_NE(mdbtools("mdb-tables -1", path).find("People"), std::string::npos);
        EXPECT_NE(mdbtools("mdb-schema", path, " access").find("People"), std::string::npos);

        {
            std::shared_ptr<Database> db = openWritable(path);
            const std::shared_ptr<const TableDef> def = db->table("People");
            std::vector<uint32_t> owned =
                readUsageMap(db->pages(), db->version(), def->usageMapPointer);
            owned.push_back(def->tdefPage);
            for (const RealIndexDef& r : def->realIndexes) owned.push_back(r.rootPage);
            for (const LongValueMaps& lv : def->longValueMaps)
                for (uint32_t page : readUsageMap(db->pages(), db->version(), lv.usageMapPointer))
                    owned.push_back(page);
            ASSERT_GE(owned.size(), 2u + def->realIndexes.size());  // a data page at least
            SchemaEditor(*db).dropTable("People");
            EXPECT_EQ(db->findObject("People"), nullptr);
            EXPECT_THROW(db->table("People"), Error);
            const std::vector<uint32_t> free = readUsageMap(db->pages(), db->version(), 1u << 8);
            size_t named = 0;
            for (uint32_t page : owned) {
                if (!freeMapReaches(*db, page)) continue;
                ++named;
                EXPECT_TRUE(std::binary_search(free.begin(), free.end(), page)) << "page " << page;
            }
            if (!c.fixture) {
                EXPECT_EQ(named, owned.size());
            }
            // What the table took is given back (a new file counts the pages
            // past its end as free, so the count comes back to where it was).
            EXPECT_GE(freePageCount(*db), freeBefore);
        }
        expectSound(path);
        EXPECT_EQ(mdbtools("mdb-tables -1", path).find("People"), std::string::npos);
    }
}

// A table of rows written before the schema changes under it: new columns
// read Null in old rows and take values in new ones, indexes are built from
// the rows, and what the rows forbid is refused with the file untouched.
TEST(SchemaEditor, ChangesToATableWithRows) {
    for (JetVersion v : {JetVersion::Jet3, JetVersion::Jet4, JetVersion::Ace14}) {
        SCOPED_TRACE(static_cast<int>(v));
        testing_support::TempDir dir;
        const std::filesystem::path path = dir.path() / (isAce(v) ? "t.accdb" : "t.mdb");
        testing_support::writeEmptyTableFile(path.string(), v, testing_support::editorTableSpec());
        {
            std::shared_ptr<Database> db = openWritable(path);
            TableEditor editor(*db, "T");
            for (int i = 1; i <= 40; ++i) editor.insert(editorRow(i));
            SchemaEditor schema(*db);
            ColumnSpec score;
            score.name = "Score";
            score.daoType = 4;  // Long
            schema.addColumn("T", score);
            ColumnSpec flag;
            flag.name = "Flag";
            flag.daoType = 1;  // Yes/No
            schema.addColumn("T", flag);
            ColumnSpec note;
            note.name = "Note";
            note.daoType = 10;
            note.size = 20;
            note.required = true;
            schema.addColumn("T", note);
            ASSERT_EQ(db->table("T")->columns.size(), 9u);
        }
        expectSound(path);
        {
            std::shared_ptr<Database> db = openWritable(path);
            const std::shared_ptr<const TableDef> def = db->table("T");
            TableScan scan(*db, def);
            size_t rows = 0;
            while (scan.next()) {
                ++rows;
                EXPECT_TRUE(scan.value(6).isNull());
                EXPECT_TRUE(scan.value(8).isNull());
            }
            EXPECT_EQ(rows, 40u);
            TableEditor editor(*db, "T");
            std::vector<Value> row = editorRow(41);
            row.push_back(Value::integer(7));
            row.push_back(Value::boolean(true));
            row.push_back(Value());
            // The new column's Required property holds for new rows.
            EXPECT_THROW(editor.insert(row), Error);
            row.back() = Value::text("n");
            const RowPointer id = editor.insert(row);
            const std::vector<Value> back = *readRow(*db, editor.def(), id);
            EXPECT_EQ(back[6].as<int64_t>(), 7);
            EXPECT_TRUE(back[7].as<bool>());
            EXPECT_EQ(back[8].as<std::string>(), "n");

            SchemaEditor schema(*db);
            IndexSpec byScore{"ByScore", {{"Score", false}, {"Day", true}}};
            schema.createIndex("T", byScore);
            // Codes repeat (i % 7): a unique index on them is refused.
            const std::vector<uint8_t> before = fileBytes(path);
            IndexSpec uniqueCode{"UniqueCode", {{"Code", true}}};
            uniqueCode.unique = true;
            try {
                schema.createIndex("T", uniqueCode);
                ADD_FAILURE() << "duplicates were indexed";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), ErrorCode::Constraint);
                EXPECT_EQ(std::string(e.what()), kDuplicateKeyMessage);
            }
            IndexSpec second{"Second", {{"Code", true}}};
            second.primary = true;
            EXPECT_THROW(schema.createIndex("T", second), Error);  // the table has one
            EXPECT_THROW(schema.dropColumn("T", "Score"), Error);  // ByScore uses it
            EXPECT_EQ(fileBytes(path), before);
            EXPECT_EQ(db->table("T")->indexes.size(), 4u);

            schema.renameColumn("T", "Note", "Remark");
            schema.renameIndex("T", "ByScore", "ScoreDay");
            schema.dropColumn("T", "Flag");
            schema.renameTable("T", "Renamed");
            EXPECT_EQ(db->findObject("T"), nullptr);
            EXPECT_NE(db->table("Renamed")->findColumn("Remark"), nullptr);
            TableEditor again(*db, "Renamed");
            std::vector<Value> later = editorRow(42);
            later.push_back(Value::integer(-3));
            later.push_back(Value::text("r"));
            again.insert(later);
        }
        expectSound(path);
        {
            std::shared_ptr<Database> db = openWritable(path);
            const size_t freeBefore = freePageCount(*db);
            SchemaEditor(*db).dropIndex("Renamed", "ScoreDay");
            EXPECT_GT(freePageCount(*db), freeBefore);
            EXPECT_EQ(db->table("Renamed")->indexes.size(), 3u);
        }
        expectSound(path);
    }
}

}  // namespace
}  // namespace jet
