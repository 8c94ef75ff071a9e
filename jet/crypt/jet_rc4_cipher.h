// Jet's own page encryption (Jet 3 and Jet 4 "encrypted" databases): every
// page but the header is RC4-encrypted with a key made of the database's
// encoding key XOR the page number (four bytes, little-endian).
#pragma once

#include "jet/file/page_cipher.h"

namespace jet {

class JetRc4Cipher : public PageCipher {
public:
    explicit JetRc4Cipher(uint32_t encodingKey) : key_(encodingKey) {}
    void decryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override;
    void encryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        decryptPage(pageNumber, page);
    }

private:
    uint32_t key_;
};

}  // namespace jet
