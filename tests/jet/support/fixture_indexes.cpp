#include "support/fixture_indexes.h"

#include "jet/error.h"
#include "support/fixtures.h"

namespace testing_support {

void forEachFixtureIndex(const std::function<void(const std::string& fixture, jet::Database& db,
                                                  const std::shared_ptr<const jet::TableDef>& def,
                                                  const jet::IndexDef& index)>& visit) {
    for (const std::string& name : allFixtures()) {
        std::shared_ptr<jet::Database> db;
        try {
            db = jet::Database::open(fixture(name).string());
        } catch (const jet::Error&) {
            continue;
        }
        for (const jet::CatalogObject* object : db->tables()) {
            std::shared_ptr<const jet::TableDef> def;
            try {
                def = db->table(object->name);
            } catch (const jet::Error&) {
                continue;
            }
            for (const jet::IndexDef& index : def->indexes) visit(name, *db, def, index);
        }
    }
}

}  // namespace testing_support
