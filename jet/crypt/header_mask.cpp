#include "jet/crypt/header_mask.h"

#include <array>

#include "jet/crypt/rc4.h"
#include "jet/util/bytes.h"

namespace jet {

namespace {
constexpr std::array<uint8_t, 4> kHeaderMaskKey = {0xc7, 0xda, 0x39, 0x6b};
}

size_t headerMaskLength(JetVersion version) {
    return isJet3(version) ? 126 : 128;
}

void unmaskHeaderPage(std::span<uint8_t> page, JetVersion version) {
    const size_t length = headerMaskLength(version);
    requireRange(page, kHeaderMaskOffset, length, "the masked part of the header page");
    rc4Apply(kHeaderMaskKey, page.subspan(kHeaderMaskOffset, length));
}

}  // namespace jet
