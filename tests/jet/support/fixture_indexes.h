// Every index of every fixture table the engine can open without a password,
// for tests that check something against each index Access wrote.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "jet/catalog/database.h"

namespace testing_support {

// Calls `visit` with the fixture's relative name, its database, the table and
// one of its indexes. Encrypted fixtures and tables the engine cannot read
// are passed over; they are covered by tests of their own.
void forEachFixtureIndex(const std::function<void(const std::string& fixture, jet::Database& db,
                                                  const std::shared_ptr<const jet::TableDef>& def,
                                                  const jet::IndexDef& index)>& visit);

}  // namespace testing_support
