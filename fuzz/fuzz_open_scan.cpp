// libFuzzer target for the read side of the engine: open a file held in
// memory, read the catalogue, scan every table (system tables included) and
// decode every value, long values too, follow every complex column into its
// hidden table (attachments with their file data inflated), then read the
// stored queries, the relationships and every object's property blob. Each
// value is also turned into text the way an export would.
//
// A jet::Error is the expected answer to a damaged file and is swallowed;
// every other exception, crash, sanitizer report, hang or runaway allocation
// is a finding. Each stage has its own try block so that one damaged table
// does not hide the code behind it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/database.h"
#include "jet/catalog/stored_queries.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/format/property_blob.h"
#include "jet/table/table_scan.h"
#include "jet/value.h"
#include "jet/value_text.h"

namespace {

// Bounds the work on one input: a scan of a hostile file may legitimately
// find many rows, but the fuzzer should move on to the next input.
constexpr size_t kMaxRowsPerTable = 20000;

size_t textLength(const jet::Value& v) {
    return jet::valueText(v).size();
}

template <typename Stage>
void guarded(Stage&& stage) {
    try {
        stage();
    } catch (const jet::Error&) {
        // A damaged file: the expected outcome for most inputs.
    }
}

// The values behind one complex column key, by the column's kind.
size_t readComplex(jet::ComplexColumnReader& reader, int32_t key) {
    size_t n = 0;
    switch (reader.info().kind) {
        case jet::ComplexKind::MultiValue:
            for (const jet::Value& v : reader.multiValues(key)) n += textLength(v);
            break;
        case jet::ComplexKind::Attachment:
            for (const jet::Attachment& a : reader.attachments(key)) n += a.data.size();
            break;
        case jet::ComplexKind::VersionHistory:
            n += reader.versions(key).size();
            break;
        case jet::ComplexKind::Unknown:
            break;
    }
    return n;
}

void scanTable(jet::Database& db, const jet::CatalogObject& object) {
    auto def = db.tableAt(object.tdefPage(), object.name);
    // One reader per complex column, null where the column cannot be resolved.
    std::vector<std::unique_ptr<jet::ComplexColumnReader>> complex(def->columns.size());
    for (size_t i = 0; i < def->columns.size(); ++i) {
        if (def->columns[i].type != jet::DataType::Complex) continue;
        guarded([&] {
            complex[i] = std::make_unique<jet::ComplexColumnReader>(db, *def, def->columns[i]);
        });
    }
    jet::TableScan scan(db, def);
    size_t rows = 0, chars = 0;
    while (rows < kMaxRowsPerTable && scan.next()) {
        ++rows;
        std::vector<jet::Value> values = scan.values();
        for (size_t i = 0; i < values.size(); ++i) {
            chars += textLength(values[i]);
            if (i < complex.size() && complex[i] && values[i].is<int64_t>()) {
                auto key = static_cast<int32_t>(values[i].as<int64_t>());
                guarded([&] { chars += readComplex(*complex[i], key); });
            }
        }
        // The same row read again by its identity must not fail differently.
        if (rows % 64 == 1) jet::readRow(db, *def, scan.rowId());
    }
    // Keeps the decoding from being optimised away.
    if (chars == SIZE_MAX) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::shared_ptr<jet::Database> db;
    try {
        db = jet::Database::open(
            std::make_unique<jet::MemoryFile>(std::vector<uint8_t>(data, data + size)),
            "fuzz.accdb");
    } catch (const jet::Error&) {
        return 0;
    }

    for (const jet::CatalogObject* t : db->tables(true)) guarded([&] { scanTable(*db, *t); });
    guarded([&] { jet::readStoredQueries(*db); });
    guarded([&] { db->relations(); });
    const bool jet3 = jet::isJet3(db->version());
    for (const jet::CatalogObject& o : db->objects()) {
        if (o.properties.empty()) continue;
        guarded([&] { jet::parsePropertyBlob(o.properties, jet3, db->codePage()); });
    }
    return 0;
}
