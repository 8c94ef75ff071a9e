#include "jet/crypt/jet_rc4_cipher.h"

#include "jet/crypt/rc4.h"

namespace jet {

void JetRc4Cipher::decryptPage(uint32_t pageNumber, std::span<uint8_t> page) const {
    uint32_t k = key_ ^ pageNumber;
    uint8_t key[4] = {static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8),
                      static_cast<uint8_t>(k >> 16), static_cast<uint8_t>(k >> 24)};
    rc4Apply(key, page);
}

}  // namespace jet
