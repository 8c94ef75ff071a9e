// Long values (Memo and OLE columns): a 12-byte reference in the row, with
// the data inline after it, in one row of a long-value page, or in a chain
// of such rows, each starting with the pointer to the next.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/file/jet_version.h"
#include "jet/util/bytes.h"
#include "jet/value.h"

namespace jet {

class PageStore;

constexpr size_t kLongValueHeaderSize = 12;
constexpr uint8_t kLongValueInline = 0x80;
constexpr uint8_t kLongValueSinglePage = 0x40;

// Values of at most this many bytes (Jet 3: 32) go inline after their
// reference when the row has room; see LongValueSink.
inline size_t maxInlineLongValue(JetVersion v) {
    return isJet3(v) ? 32 : 64;
}
inline bool longValueGoesInline(JetVersion v, size_t size, size_t inlineRoom) {
    return size <= maxInlineLongValue(v) && kLongValueHeaderSize + size <= inlineRoom;
}

// Where the row encoder puts Memo and OLE data: a new file's long-value
// pages (jet/write/long_value_writer.h) or the pages of an open file
// (jet/table/long_value_store.h). store() returns the bytes for the row: the
// 12-byte reference, followed by the data itself when it goes inline
// (longValueGoesInline), else the data is placed on long-value pages.
class LongValueSink {
public:
    virtual ~LongValueSink() = default;
    virtual std::vector<uint8_t> store(std::span<const uint8_t> data, size_t inlineRoom) = 0;
};

// The stored bytes of a long value whose column bytes are `field`. Throws
// jet::Error (Corrupt) when the reference or the chain is damaged; never
// reads more than the file can hold.
Blob readLongValue(PageStore& pages, JetVersion v, Bytes field);

}  // namespace jet
