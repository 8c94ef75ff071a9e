// SQL text taken apart into MSysQueries rows and read back: every stored
// query of every fixture, compared with the rows Access wrote for it, and
// small cases of each kind.
#include "jet/sql/stored_query_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jet/catalog/stored_queries.h"
#include "jet/sql/parser/parser.h"
#include "jet/sql/stored_query_format.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using namespace query_format;

std::string rowText(const QueryRow& r) {
    auto t = [](const std::optional<std::string>& s) { return s ? "'" + *s + "'" : std::string("-"); };
    std::string out = std::to_string(r.attribute) + " " + t(r.name1) + " " + t(r.name2) + " " +
                      t(r.expression) + " " + std::to_string(r.flag);
    if (r.lvExtra) out += " lv" + std::to_string(*r.lvExtra);
    return out;
}

// The rows in the reader's order: by attribute, stored order within one.
std::vector<std::string> canonical(std::vector<QueryRow> rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const QueryRow& a, const QueryRow& b) { return a.attribute < b.attribute; });
    std::vector<std::string> out;
    for (const QueryRow& r : rows) out.push_back(rowText(r));
    return out;
}

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "  " + l + "\n";
    return out;
}

// Our rows and Access's, with the differences FORMAT.md lists taken out:
// Access keeps its table rows in the order the tables were added to the
// design grid (ours follow the FROM clause; only the order of tables no
// join ties together shows in the text, and it is kept); it leaves out the
// type and flags rows of the select queries behind form controls; it keeps
// the line break before the last UNION in a union's first half.
std::pair<std::vector<std::string>, std::vector<std::string>> comparable(
    std::vector<QueryRow> access, std::vector<QueryRow> ours) {
    auto has = [](const std::vector<QueryRow>& rows, int attribute) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const QueryRow& r) { return r.attribute == attribute; });
    };
    for (int attribute : {kTypeAttribute, kFlagsAttribute}) {
        if (!has(access, attribute) && !has(access, kTypeAttribute)) {
            std::erase_if(ours, [&](const QueryRow& r) { return r.attribute == attribute; });
        }
    }
    for (std::vector<QueryRow>* rows : {&access, &ours}) {
        for (QueryRow& r : *rows) {
            if (r.attribute == kTableAttribute && r.name2 && *r.name2 == kUnionFirstPart &&
                r.expression) {
                while (!r.expression->empty() &&
                       (r.expression->back() == '\n' || r.expression->back() == '\r'))
                    r.expression->pop_back();
            }
        }
    }
    std::vector<std::string> a = canonical(access), o = canonical(ours);
    // Table rows as a set.
    for (std::vector<std::string>* lines : {&a, &o}) {
        auto first = std::find_if(lines->begin(), lines->end(),
                                  [](const std::string& l) { return l.starts_with("5 "); });
        auto last = std::find_if(first, lines->end(),
                                 [](const std::string& l) { return !l.starts_with("5 "); });
        std::sort(first, last);
    }
    return {a, o};
}

TEST(StoredQueryRows, EveryFixtureQueryRoundTripsAndMatchesAccessRows) {
    size_t checked = 0, identical = 0;
    for (const std::string& name : testing_support::allFixtures()) {
        std::shared_ptr<Database> db;
        try {
            db = Database::open(testing_support::fixture(name).string());
        } catch (const Error&) {
            continue;  // encrypted files: no queries of interest
        }
        const auto stored = readQueryRows(*db);
        for (const CatalogObject* object : db->queryObjects()) {
            const QueryDefinition q = readStoredQuery(*db, object->name);
            if (q.query.kind == QueryKind::Unknown) continue;
            SCOPED_TRACE(name + " query '" + q.name + "':\n" + q.query.sql);
            QueryRowSet ours;
            try {
                ours = q.query.kind == QueryKind::PassThrough
                           ? passThroughQueryRows(q.query.connectString.value_or(""), q.query.sql)
                           : storedQueryRows(q.query.sql);
            } catch (const Error& e) {
                ADD_FAILURE() << "refused: " << e.what();
                continue;
            }
            ++checked;
            EXPECT_EQ(ours.kind, q.query.kind);
            for (QueryRow& r : ours.rows) r.objectId = object->id;
            const StoredQuery back = storedQueryFromRows(ours.rows);
            EXPECT_EQ(back.sql, q.query.sql);
            EXPECT_EQ(objectFlagsForKind(ours.kind), object->flags & kObjectKindMask);

            // Access's rows, less the complex-column bookkeeping this engine
            // does not write, against ours.
            std::vector<QueryRow> access = stored.at(object->id);
            std::erase_if(access, [](const QueryRow& r) {
                return r.attribute >= kComplexColumnsAttribute && r.attribute != kEndAttribute;
            });
            if (canonical(access) == canonical(ours.rows)) ++identical;
            const auto [a, o] = comparable(access, ours.rows);
            EXPECT_EQ(a, o) << "Access's rows:\n" << joinedLines(a) << "ours:\n" << joinedLines(o);
        }
    }
    EXPECT_GE(checked, 4u * 9u + 56u);
    std::cout << checked << " fixture queries, " << identical << " with rows identical to Access's\n";
}

}  // namespace
}  // namespace jet
