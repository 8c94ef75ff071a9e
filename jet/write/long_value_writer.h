// Memo and OLE data of one table on its way into the file. A value goes
// inline after its 12-byte reference when it is small and the row has room,
// into one row of a long-value page when it fits there, or into a chain of
// rows each starting with the pointer to the next.
//
// What Access does, as seen in Access-made files: values of at most 64 bytes
// (Jet 3: 32; inline values of up to 31 bytes and out-of-line ones from 33
// bytes are seen there) go inline when the row has room; longer ones up to a whole row's data (4076
// bytes in Jet 4, 2032 in Jet 3) take one row on a long-value page, several values sharing a page;
// longer ones are split into rows that fill a page each (a 4-byte link and 4076 / 2032 bytes), the
// last, shorter part sharing a page like a single row. Long-value pages hold long values only,
// never table rows. Access also writes chains for short values that were written in pieces (the
// system tables' module storage of Jet 3 files): a writer that has the whole value never needs to.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/format/long_value.h"
#include "jet/format/page_types.h"
#include "jet/format/data_page_builder.h"
#include "jet/write/page_sink.h"

namespace jet {

class LongValueWriter : public LongValueSink {
public:
    LongValueWriter(PageSink& sink, JetVersion v);

    // The bytes to place in the row: the 12-byte reference, followed by the
    // data itself when it goes inline (at most maxInlineSize(v) bytes and
    // 12 + size within `inlineRoom`); otherwise the data is written to a
    // long-value page (one row) or a chain of rows on several pages.
    std::vector<uint8_t> store(std::span<const uint8_t> data, size_t inlineRoom) override;
    // Writes the open long-value page, if any. store() may be called again
    // afterwards; it then starts a new page.
    void finish();
    // Every long-value page written or opened, in allocation order.
    const std::vector<uint32_t>& pages() const { return pages_; }

    static constexpr size_t kReferenceSize = kLongValueHeaderSize;
    static size_t maxInlineSize(JetVersion v) { return maxInlineLongValue(v); }
    // Whether store() puts `size` bytes inline given `inlineRoom`.
    static bool goesInline(JetVersion v, size_t size, size_t inlineRoom) {
        return longValueGoesInline(v, size, inlineRoom);
    }
    // The most data one long-value row carries.
    static size_t maxRowData(JetVersion v);

private:
    RowPointer placeOnOpenPage(std::span<const uint8_t> row);
    void writeOpenPage();

    PageSink& sink_;
    JetVersion version_;
    DataPageBuilder open_;
    std::optional<uint32_t> openPage_;
    std::vector<uint32_t> pages_;
};

}  // namespace jet
