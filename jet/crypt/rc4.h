// RC4 stream cipher, used by Jet to mask the header page and, with a per-page
// key, to encrypt whole pages. Small and self-contained; RC4 is applied the
// same way to encrypt and decrypt.
#pragma once

#include <cstdint>
#include <span>

namespace jet {

void rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data);

}  // namespace jet
