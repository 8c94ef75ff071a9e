#include "jet/crypt/rc4.h"

#include <array>
#include <utility>

namespace jet {

void rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data) {
    if (key.empty()) return;
    std::array<uint8_t, 256> s;
    for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    uint8_t i = 0;
    j = 0;
    for (uint8_t& b : data) {
        i = static_cast<uint8_t>(i + 1);
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        b ^= s[static_cast<uint8_t>(s[i] + s[j])];
    }
}

}  // namespace jet
