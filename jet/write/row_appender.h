// Appends the rows of one table to a file under construction: encodes each
// row, fills data pages owned by the table's definition page, writes a page
// as soon as the next row does not fit (so memory stays at one data page and
// one long-value page however many rows come), and places long values on
// the table's own long-value pages.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"
#include "jet/format/table_def.h"
#include "jet/value.h"
#include "jet/format/data_page_builder.h"
#include "jet/write/long_value_writer.h"
#include "jet/write/page_sink.h"

namespace jet {

class RowAppender {
public:
    // `def` must outlive the appender.
    RowAppender(PageSink& sink, const TableDef& def, JetVersion v, uint16_t codePage);

    // `values`: one converted value per def.columns entry (see encodeRow).
    // Returns where the row went. Throws what encodeRow throws; a failed
    // row leaves the pages as they were, although long values it had
    // already stored stay on their pages unused.
    RowPointer append(std::span<const Value> values);
    // Writes the open data page and long-value page. Call once at the end.
    void finish();

    const std::vector<uint32_t>& dataPages() const { return dataPages_; }
    // The long-value pages of column def.columns[i] (empty for other
    // columns). From Jet 4 on every long-value column has pages of its own,
    // listed in that column's usage map; Jet 3 files share them per table.
    const std::vector<uint32_t>& longValuePages(size_t columnIndex) const;
    // Every long-value page of the table, in column order.
    std::vector<uint32_t> longValuePages() const;
    // The data pages that still have room for a row (for the table's
    // free-space map).
    std::vector<uint32_t> dataPagesWithRoom() const;
    uint32_t rowCount() const { return rowCount_; }

private:
    void writeOpenPage();

    PageSink& sink_;
    const TableDef& def_;
    JetVersion version_;
    uint16_t codePage_;
    std::vector<std::unique_ptr<LongValueWriter>> longValueWriters_;
    std::vector<LongValueWriter*> longValuesByColumn_;
    // The same writers as the row encoder takes them.
    std::vector<LongValueSink*> sinksByColumn_;
    std::vector<uint32_t> fullPages_;  // data pages closed because a row did not fit
    DataPageBuilder open_;
    std::optional<uint32_t> openPage_;
    std::vector<uint32_t> dataPages_;
    uint32_t rowCount_ = 0;
};

}  // namespace jet
