// Long values (Memo and OLE columns): a 12-byte reference in the row, with
// the data inline after it, in one row of a long-value page, or in a chain
// of such rows, each starting with the pointer to the next.
#pragma once

#include <cstdint>

#include "jet/file/jet_version.h"
#include "jet/util/bytes.h"
#include "jet/value.h"

namespace jet {

class PageStore;

constexpr size_t kLongValueHeaderSize = 12;
constexpr uint8_t kLongValueInline = 0x80;
constexpr uint8_t kLongValueSinglePage = 0x40;

// The stored bytes of a long value whose column bytes are `field`. Throws
// jet::Error (Corrupt) when the reference or the chain is damaged; never
// reads more than the file can hold.
Blob readLongValue(PageStore& pages, JetVersion v, Bytes field);

}  // namespace jet
