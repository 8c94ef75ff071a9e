// Where the fields of an index page sit, for the page reader and the page
// writer alike. Jet 3 keeps the prefix length in one byte and Jet 4 / ACE in
// two; the byte after it is set on intermediate pages.
#pragma once

#include <cstddef>

namespace jet {

constexpr size_t kIndexRowPointerSize = 4;  // data page (3 bytes) + row (1 byte)
constexpr size_t kIndexChildPointerSize = 4;

struct IndexPageLayout {
    size_t pageSize;
    size_t prevPage;
    size_t nextPage;
    size_t tailPage;
    size_t prefixLength;
    bool widePrefix;
    size_t nodeFlag;  // 1 on intermediate pages
    size_t entryMask;
    size_t entryMaskSize;

    size_t entriesStart() const { return entryMask + entryMaskSize; }
    size_t capacity() const { return pageSize - entriesStart(); }
    size_t maxPrefix() const { return widePrefix ? 0xffff : 0xff; }
};

constexpr IndexPageLayout kJet3IndexPageLayout{2048,  0x08, 0x0c, 0x10, 0x14,
                                               false, 0x15, 0x16, 226};
constexpr IndexPageLayout kJet4IndexPageLayout{4096, 0x0c, 0x10, 0x14, 0x18, true, 0x1a, 0x1b, 453};

inline const IndexPageLayout& indexPageLayout(bool jet3) {
    return jet3 ? kJet3IndexPageLayout : kJet4IndexPageLayout;
}

}  // namespace jet
