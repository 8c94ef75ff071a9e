// Every Jet and ACE file hides part of its header page (page 0) behind a fixed
// RC4 keystream: the bytes from offset 0x18 on (126 of them in Jet 3 files, 128
// in every later version) are XORed with RC4 under the key c7 da 39 6b. The
// database key, the legacy database password and the creation date live in
// that region, so anything reading them must remove the mask first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "jet/file/jet_version.h"

namespace jet {

inline constexpr size_t kHeaderMaskOffset = 0x18;

// Number of masked bytes starting at kHeaderMaskOffset.
size_t headerMaskLength(JetVersion version);

// Removes the mask from page 0 in place. The mask is an XOR, so calling this
// again on the result restores the bytes as stored; writers use it to re-mask.
// Throws jet::Error (Corrupt) when `page` is too short to hold the region.
void unmaskHeaderPage(std::span<uint8_t> page, JetVersion version);

}  // namespace jet
