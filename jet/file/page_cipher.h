// A page cipher turns a page as stored in the file into its plain bytes and
// back. The database header page (page 0) is never passed to a cipher; each
// scheme handles the header's own masking separately.
#pragma once

#include <cstdint>
#include <span>

namespace jet {

class PageCipher {
public:
    virtual ~PageCipher() = default;
    // Decrypts one whole page in place. `page` has the file's page size.
    virtual void decryptPage(uint32_t pageNumber, std::span<uint8_t> page) const = 0;
    // Encrypts one whole page in place (the inverse of decryptPage).
    virtual void encryptPage(uint32_t pageNumber, std::span<uint8_t> page) const = 0;
};

}  // namespace jet
