#include "jet/crypt/office_cryptoapi_header.h"

#include <string>

#include "jet/error.h"

namespace jet::office {

namespace {

constexpr uint32_t kAlgIdFromFlags = 0;
constexpr uint32_t kAlgIdRc4 = 0x6801;
constexpr uint32_t kAlgIdAes128 = 0x660e;
constexpr uint32_t kAlgIdAes192 = 0x660f;
constexpr uint32_t kAlgIdAes256 = 0x6610;
constexpr uint32_t kHashIdFromFlags = 0;
constexpr uint32_t kHashIdSha1 = 0x8004;

// Fixed part of the header: flags, extra size, cipher id, hash id, key size,
// provider type and two reserved words; the provider name follows.
constexpr size_t kFixedHeaderSize = 32;
constexpr size_t kSaltSize = 16;
constexpr size_t kVerifierSize = 16;

std::string hexText(uint32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xf]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

[[noreturn]] void throwUnsupported(const std::string& what) {
    throw Error(ErrorCode::Unsupported,
                "This database is encrypted with " + what + ", which is not supported.");
}

// The provider name is UTF-16LE up to a NUL; only ASCII matters for the one
// decision it drives, so other characters are kept as '?'.
std::string providerName(Bytes text) {
    std::string name;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const uint16_t unit = readU16(text, i);
        if (unit == 0) break;
        name.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return name;
}

uint32_t defaultRc4KeyBits(const std::string& provider) {
    // The key size may be left 0, meaning the provider's default: 40 bits for
    // the "Base" providers (and when no provider is named), 128 otherwise.
    std::string lower;
    for (char c : provider) {
        lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    const bool base = lower.find_first_not_of(' ') == std::string::npos ||
                      lower.find(" base ") != std::string::npos;
    return base ? 40 : 128;
}

CryptoApiHeader parseHeader(Bytes header) {
    requireRange(header, 0, kFixedHeaderSize, "the encryption header");
    CryptoApiHeader out;
    out.flags = readU32(header, 0);
    const uint32_t algId = readU32(header, 8);
    const uint32_t hashId = readU32(header, 12);
    const uint32_t keyBits = readU32(header, 16);

    if (out.flags & kFlagExternal) throwUnsupported("an external encryption provider");
    if (hashId != kHashIdSha1 && hashId != kHashIdFromFlags) {
        throwUnsupported("hash algorithm " + hexText(hashId));
    }

    uint32_t fixedAesBits = 0;
    switch (algId) {
        case kAlgIdFromFlags:
            if (!(out.flags & kFlagCryptoApi)) throwUnsupported("an unnamed cipher");
            out.cipher = (out.flags & kFlagAes) ? CryptoApiCipher::Aes : CryptoApiCipher::Rc4;
            fixedAesBits = 128;
            break;
        case kAlgIdRc4:
            out.cipher = CryptoApiCipher::Rc4;
            break;
        case kAlgIdAes128:
            out.cipher = CryptoApiCipher::Aes;
            fixedAesBits = 128;
            break;
        case kAlgIdAes192:
            out.cipher = CryptoApiCipher::Aes;
            fixedAesBits = 192;
            break;
        case kAlgIdAes256:
            out.cipher = CryptoApiCipher::Aes;
            fixedAesBits = 256;
            break;
        default:
            throwUnsupported("cipher " + hexText(algId));
    }

    if (out.cipher == CryptoApiCipher::Rc4) {
        out.keyBits = keyBits != 0
                          ? keyBits
                          : defaultRc4KeyBits(providerName(header.subspan(kFixedHeaderSize)));
        if (out.keyBits < 40 || out.keyBits > 128 || out.keyBits % 8 != 0) {
            throwCorrupt("the encryption header gives an RC4 key of " +
                         std::to_string(out.keyBits) + " bits");
        }
    } else {
        out.keyBits = keyBits != 0 ? keyBits : fixedAesBits;
        if (out.keyBits != fixedAesBits) {
            throwCorrupt("the encryption header gives an AES key of " +
                         std::to_string(out.keyBits) + " bits");
        }
    }
    return out;
}

CryptoApiVerifier parseVerifier(Bytes verifier, CryptoApiCipher cipher) {
    CryptoApiVerifier out;
    const uint32_t saltSize = readU32(verifier, 0, "the password verifier");
    if (saltSize != kSaltSize) {
        throwCorrupt("the password verifier has a salt of " + std::to_string(saltSize) + " bytes");
    }
    size_t at = 4;
    auto take = [&](size_t length) {
        Bytes part = subBytes(verifier, at, length, "the password verifier");
        at += length;
        return ByteVector(part.begin(), part.end());
    };
    out.salt = take(kSaltSize);
    out.encryptedVerifier = take(kVerifierSize);
    out.verifierHashSize = readU32(verifier, at, "the password verifier");
    at += 4;
    if (out.verifierHashSize == 0 || out.verifierHashSize > hashSize(HashAlgorithm::Sha1)) {
        throwCorrupt("the password verifier has a hash of " + std::to_string(out.verifierHashSize) +
                     " bytes");
    }
    // RC4 stores the SHA-1 as is; AES pads it to two blocks.
    out.encryptedVerifierHash = take(cipher == CryptoApiCipher::Rc4 ? 20 : 32);
    return out;
}

}  // namespace

CryptoApiInfo parseCryptoApiInfo(Bytes afterVersion) {
    // The flags copy at offset 0 repeats the header's own flags; the header
    // is the authority.
    const uint32_t headerSize = readU32(afterVersion, 4, "the encryption header length");
    Bytes header = subBytes(afterVersion, 8, headerSize, "the encryption header");
    CryptoApiInfo info;
    info.header = parseHeader(header);
    info.verifier = parseVerifier(afterVersion.subspan(8 + size_t{headerSize}), info.header.cipher);
    return info;
}

}  // namespace jet::office
