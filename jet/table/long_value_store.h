// Memo and OLE data of one column placed on the long-value pages of an open
// file inside a page transaction, the way the bulk writer lays them out (see
// jet/write/long_value_writer.h): inline when small, else one row of a
// long-value page, else a chain of rows filling a page each with the last,
// shorter part on a page with room. Rows go on the page last used or the
// last page of the column's usage map when they fit there, else on a new
// page recorded in that map. Columns whose long-value pages are in no map
// (Jet 3 files, Jet 4 files Access made) get new pages listed nowhere, as
// Access lists them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/long_value.h"
#include "jet/format/page_types.h"
#include "jet/util/bytes.h"

namespace jet {

class PageStore;
class PageAllocator;

class LongValueStore : public LongValueSink {
public:
    // `usageMapPointer` 0: the column's pages are in no map.
    LongValueStore(PageStore& store, JetVersion v, PageAllocator& allocator,
                   uint32_t usageMapPointer);

    std::vector<uint8_t> store(std::span<const uint8_t> data, size_t inlineRoom) override;
    // Forgets the page last used (after a rollback).
    void reset() { lastPage_.reset(); }

private:
    RowPointer placeRow(std::vector<uint8_t> row);
    uint32_t freshPage();

    PageStore& store_;
    JetVersion version_;
    PageAllocator& allocator_;
    uint32_t usageMapPointer_;
    std::optional<uint32_t> lastPage_;
};

// Releases the long-value rows the stored bytes `field` of a Memo or OLE
// column name (nothing for inline data): each is flagged deleted and its
// bytes given back to its page. Throws jet::Error (Corrupt) for a reference
// that leads outside the file or to a page that holds no long values.
void releaseLongValue(PageStore& store, JetVersion v, Bytes field);

}  // namespace jet
