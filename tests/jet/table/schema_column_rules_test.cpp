// A column's rules changed in place: only the table's property blob is
// written; the rows, the definition and the column's other properties stay,
// and rows that break the new rules refuse the change.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/format/property_blob.h"
#include "jet/table/schema_editor.h"
#include "jet/table/table_editor.h"
#include "support/fixtures.h"
#include "support/table_file.h"
#include "table/schema_test_files.h"

namespace jet {
namespace {

using testing_support::expectSound;
using testing_support::fileBytes;
using testing_support::openWritable;

const PropertyMap* columnProperties(Database& db, const std::string& table,
                                    const std::string& column, PropertyBlob& blob) {
    blob = parsePropertyBlob(db.findObject(table)->properties, isJet3(db.version()), db.codePage());
    return blob.forObject(column);
}

using Row = std::vector<Value>;

ColumnSpec rules(const std::string& column, bool required, const std::string& defaultValue) {
    ColumnSpec spec;
    spec.name = column;
    spec.required = required;
    spec.allowZeroLength = false;
    spec.defaultValue = defaultValue;
    return spec;
}

TEST(SchemaColumnRules, ChangeInPlaceAndRefuseRowsThatBreakThem) {
    const testing_support::FileCase cases[] = {{"new Jet 3", JetVersion::Jet3, nullptr},
                                               {"new Jet 4", JetVersion::Jet4, nullptr},
                                               {"new ACE 14", JetVersion::Ace14, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::filesystem::path path = testing_support::prepare(c, dir);
        {
            std::shared_ptr<Database> db = openWritable(path);
            TableSpec spec;
            spec.name = "Parts";
            spec.columns = {testing_support::columnSpec("ID", 4),
                            testing_support::columnSpec("Name", 10, 20)};
            SchemaEditor(*db).createTable(spec);
            TableEditor editor(*db, "Parts");
            editor.insert(Row{Value::integer(1), Value::text("Nut")});
            const RowPointer empty = editor.insert(Row{Value::integer(2), Value()});

            const std::vector<uint8_t> before = fileBytes(path);
            try {
                SchemaEditor(*db).setColumnRules("Parts", rules("Name", true, ""));
                ADD_FAILURE() << "a Null in a required field was taken";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), ErrorCode::Constraint);
                EXPECT_STREQ(e.what(), "You must enter a value in the 'Parts.Name' field.");
            }
            EXPECT_EQ(fileBytes(path), before);

            TableEditor(*db, "Parts").update(empty, Row{Value::integer(2), Value::text("Bolt")});
            SchemaEditor(*db).setColumnRules("Parts", rules("name", true, "\"none\""));
            PropertyBlob blob;
            const PropertyMap* name = columnProperties(*db, "Parts", "Name", blob);
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->find("Required")->value, Value::boolean(true));
            EXPECT_EQ(name->find("DefaultValue")->value, Value::text("\"none\""));
            EXPECT_EQ(db->table("Parts")->columns.at(1).name, "Name");
            EXPECT_THROW(TableEditor(*db, "Parts").insert(Row{Value::integer(3), Value()}), Error);
        }
        expectSound(path);
    }
}

TEST(SchemaColumnRules, KeepTheOtherPropertiesOfAnAccessColumn) {
    testing_support::TempDir dir;
    const std::filesystem::path path = dir.copy("V2000/testV2000.mdb");
    {
        std::shared_ptr<Database> db = openWritable(path);
        PropertyBlob before;
        std::vector<Property> others;
        for (const Property& p : columnProperties(*db, "Table1", "B", before)->properties)
            if (p.name != "Required" && p.name != "AllowZeroLength" && p.name != "DefaultValue")
                others.push_back(p);
        ASSERT_FALSE(others.empty());
        SchemaEditor(*db).setColumnRules("Table1", rules("B", false, "\"b\""));
        PropertyBlob after;
        const PropertyMap* b = columnProperties(*db, "Table1", "B", after);
        for (const Property& p : others) {
            ASSERT_NE(b->find(p.name), nullptr) << p.name;
            EXPECT_EQ(*b->find(p.name), p);
        }
        EXPECT_EQ(b->find("DefaultValue")->value, Value::text("\"b\""));
    }
    expectSound(path);
}

}  // namespace
}  // namespace jet
