// Pieces of the whole-file consistency check (jet/catalog/consistency_check.h),
// one file per concern: pages, usage maps, rows and long values, indexes.
// Each piece adds problem lines to the report and never throws for damage.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/format/index_key.h"
#include "jet/format/index_page.h"
#include "jet/format/page_types.h"
#include "jet/format/sort_order.h"

namespace jet::consistency {

// More problem lines than this about one object say nothing more; the rest
// are counted in one closing line.
constexpr size_t kProblemsPerObject = 5;

// Runs `fn`; a jet::Error it throws becomes a problem line "what: message".
template <typename Fn>
void guarded(CheckReport& report, const std::string& what, Fn&& fn) {
    try {
        fn();
    } catch (const Error& e) {
        report.problems.push_back(what + ": " + e.what());
    }
}

// Collects the problem lines of one object, keeping the first few.
class ProblemSink {
public:
    ProblemSink(CheckReport& report, std::string subject)
        : report_(report), subject_(std::move(subject)) {}
    ~ProblemSink();
    ProblemSink(const ProblemSink&) = delete;
    ProblemSink& operator=(const ProblemSink&) = delete;
    void add(const std::string& what);
    const std::string& subject() const { return subject_; }

private:
    CheckReport& report_;
    std::string subject_;
    size_t count_ = 0;
};

struct CheckedTable {
    const CatalogObject* object = nullptr;
    std::shared_ptr<const TableDef> def;
    bool isSystem() const { return object->isSystem(); }
};

std::string describeRow(RowPointer id);
std::string tableLabel(const TableDef& def);

// The pages the file's free-page map gives as free; none when the map cannot
// be read (every page is then judged).
std::set<uint32_t> freePagesOf(PageStore& pages, JetVersion v);

// Page types, data page owners and row offsets, over every page of the file.
void checkPages(Database& db, CheckReport& report);

// Usage maps of tables and indexes against the pages that exist.
void checkUsageMaps(Database& db, const std::vector<CheckedTable>& tables, CheckReport& report);

// Compares one physical index with the rows of its table: built with the
// table's rows (addRow, in any order), then verify() walks the index pages.
class IndexVerifier {
public:
    IndexVerifier(Database& db, std::shared_ptr<const TableDef> def, size_t realIndex,
                  CheckReport& report);
    void addRow(RowPointer id, const std::vector<Value>& values);
    void verify();

private:
    struct ExpectedEntry {
        IndexEntry entry;
        bool allNull = false;
    };
    struct KeyColumn {
        size_t valueIndex = 0;  // into the row's values (def.columns order)
        DataType type = DataType::Text;
        bool ascending = true;
        SortOrderKind textOrder = SortOrderKind::GeneralLegacy;
    };

    Database& db_;
    std::shared_ptr<const TableDef> def_;
    size_t realIndex_ = 0;
    CheckReport& report_;
    std::string label_;
    std::vector<KeyColumn> columns_;
    bool ignoresNulls_ = false;
    bool unique_ = false;
    // Empty when the keys cannot be built; the tree is still checked.
    std::optional<std::string> keysSkipped_;
    NumericKeyForm numericForm_ = NumericKeyForm::Jet;
    std::vector<ExpectedEntry> expected_;
};

// Reads every row of a table (values and long values), feeding `indexes`.
// Returns the number of live rows.
uint64_t checkRows(Database& db, const CheckedTable& table, std::vector<IndexVerifier>& indexes,
                   CheckReport& report);

// The pairs of foreign-key indexes of enforced relationships, the rows they
// guard, and the MSysRelationships entries they stand for.
void checkRelationIndexes(Database& db, const std::vector<CheckedTable>& tables,
                          CheckReport& report);

}  // namespace jet::consistency
