#include "jet/crypt/office_primitives.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>

#include "jet/error.h"

namespace jet::office {

namespace {

struct MdContextFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextFree>;
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// libcrypto only fails here when it is out of memory or misconfigured; the
// file cannot cause it.
[[noreturn]] void throwCryptoFailure(const char* what) {
    throw Error(ErrorCode::Unsupported,
                std::string("The cryptographic library could not ") + what + ".");
}

const EVP_MD* digestOf(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha1:
            return EVP_sha1();
        case HashAlgorithm::Sha256:
            return EVP_sha256();
        case HashAlgorithm::Sha384:
            return EVP_sha384();
        case HashAlgorithm::Sha512:
            return EVP_sha512();
        case HashAlgorithm::Md5:
            return EVP_md5();
    }
    throwCryptoFailure("name a hash algorithm");
}

const EVP_CIPHER* aesCipherOf(ChainingMode mode, size_t keyLength) {
    switch (mode) {
        case ChainingMode::Ecb:
            if (keyLength == 16) return EVP_aes_128_ecb();
            if (keyLength == 24) return EVP_aes_192_ecb();
            if (keyLength == 32) return EVP_aes_256_ecb();
            break;
        case ChainingMode::Cbc:
            if (keyLength == 16) return EVP_aes_128_cbc();
            if (keyLength == 24) return EVP_aes_192_cbc();
            if (keyLength == 32) return EVP_aes_256_cbc();
            break;
        case ChainingMode::Cfb8:
            if (keyLength == 16) return EVP_aes_128_cfb8();
            if (keyLength == 24) return EVP_aes_192_cfb8();
            if (keyLength == 32) return EVP_aes_256_cfb8();
            break;
    }
    throwCorrupt("the encryption header names an AES key of " + std::to_string(keyLength * 8) +
                 " bits");
}

}  // namespace

size_t hashSize(HashAlgorithm algorithm) {
    return static_cast<size_t>(EVP_MD_get_size(digestOf(algorithm)));
}

ByteVector hashOf(HashAlgorithm algorithm, std::initializer_list<Bytes> parts) {
    MdContext ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), digestOf(algorithm), nullptr) != 1) {
        throwCryptoFailure("start a hash");
    }
    for (Bytes part : parts) {
        if (EVP_DigestUpdate(ctx.get(), part.data(), part.size()) != 1) {
            throwCryptoFailure("compute a hash");
        }
    }
    ByteVector out(hashSize(algorithm));
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), out.data(), &length) != 1 || length != out.size()) {
        throwCryptoFailure("finish a hash");
    }
    return out;
}

ByteVector spinHash(HashAlgorithm algorithm, ByteVector hash, uint32_t iterations) {
    if (iterations == 0) return hash;
    // One context reused for every round: the agile scheme spins 100,000
    // times per password check, and a fresh context per round would dominate.
    MdContext ctx(EVP_MD_CTX_new());
    if (!ctx) throwCryptoFailure("start a hash");
    const EVP_MD* md = digestOf(algorithm);
    hash.resize(hashSize(algorithm));
    for (uint32_t i = 0; i < iterations; ++i) {
        const uint8_t counter[4] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8),
                                    static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 24)};
        unsigned int length = 0;
        if (EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
            EVP_DigestUpdate(ctx.get(), counter, sizeof counter) != 1 ||
            EVP_DigestUpdate(ctx.get(), hash.data(), hash.size()) != 1 ||
            EVP_DigestFinal_ex(ctx.get(), hash.data(), &length) != 1) {
            throwCryptoFailure("compute a hash");
        }
    }
    return hash;
}

ByteVector fitToLength(Bytes bytes, size_t length, uint8_t pad) {
    ByteVector out(length, pad);
    const size_t copied = std::min(length, bytes.size());
    std::copy_n(bytes.begin(), copied, out.begin());
    return out;
}

void aesApply(ChainingMode mode, Bytes key, Bytes iv, std::span<uint8_t> data, bool encrypt) {
    const EVP_CIPHER* cipher = aesCipherOf(mode, key.size());
    if (mode != ChainingMode::Cfb8 && data.size() % 16 != 0) {
        throwCorrupt("an encrypted value of " + std::to_string(data.size()) +
                     " bytes is not a whole number of AES blocks");
    }
    if (mode != ChainingMode::Ecb && iv.size() != 16) {
        throwCorrupt("an AES initialisation vector is not 16 bytes long");
    }
    CipherContext ctx(EVP_CIPHER_CTX_new());
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(),
                          mode == ChainingMode::Ecb ? nullptr : iv.data(), encrypt ? 1 : 0) != 1) {
        throwCryptoFailure("start AES");
    }
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    // EVP_CipherUpdate takes an int length; pages and header values are far
    // below that limit.
    int written = 0;
    int finalWritten = 0;
    if (EVP_CipherUpdate(ctx.get(), data.data(), &written, data.data(),
                         static_cast<int>(data.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), data.data() + written, &finalWritten) != 1 ||
        static_cast<size_t>(written + finalWritten) != data.size()) {
        throwCryptoFailure("run AES");
    }
}

ByteVector passwordBytes(std::string_view password) {
    constexpr size_t kMaxUnits = 255;
    ByteVector out;
    size_t units = 0;
    auto put = [&](uint32_t unit) {
        if (units == kMaxUnits) return;
        out.push_back(static_cast<uint8_t>(unit));
        out.push_back(static_cast<uint8_t>(unit >> 8));
        ++units;
    };
    size_t i = 0;
    while (i < password.size() && units < kMaxUnits) {
        const auto lead = static_cast<uint8_t>(password[i]);
        size_t extra = 0;
        uint32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xe0) == 0xc0) {
            extra = 1;
            cp = lead & 0x1f;
        } else if ((lead & 0xf0) == 0xe0) {
            extra = 2;
            cp = lead & 0x0f;
        } else if ((lead & 0xf8) == 0xf0) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            throwBadPassword();
        }
        if (extra > password.size() - i - 1) throwBadPassword();
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(password[i + k]);
            if ((next & 0xc0) != 0x80) throwBadPassword();
            cp = (cp << 6) | (next & 0x3f);
        }
        static constexpr uint32_t kSmallestOf[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kSmallestOf[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
            throwBadPassword();
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xd800 + (cp >> 10));
            put(0xdc00 + (cp & 0x3ff));
        } else {
            put(cp);
        }
    }
    return out;
}

std::array<uint8_t, 4> pageBlockKey(std::array<uint8_t, 4> databaseKey, uint32_t pageNumber) {
    std::array<uint8_t, 4> out;
    for (size_t i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(databaseKey[i] ^ (pageNumber >> (8 * i)));
    }
    return out;
}

void throwBadPassword() {
    throw Error(ErrorCode::BadPassword, "Not a valid password.");
}

bool sameBytes(Bytes a, Bytes b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace jet::office
