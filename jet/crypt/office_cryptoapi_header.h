// The binary encryption header and password verifier that the CryptoAPI
// schemes (RC4 CryptoAPI and standard AES) store in the encryption info of an
// .accdb header page. Parsing only checks that the structures are whole and
// name algorithms the engine can run; checking the password is left to the
// scheme.
#pragma once

#include <cstdint>

#include "jet/crypt/office_primitives.h"

namespace jet::office {

// Flag bits of the header (and of its copy before it).
inline constexpr uint32_t kFlagCryptoApi = 0x04;
inline constexpr uint32_t kFlagExternal = 0x10;
inline constexpr uint32_t kFlagAes = 0x20;

enum class CryptoApiCipher { Rc4, Aes };

struct CryptoApiHeader {
    uint32_t flags = 0;
    CryptoApiCipher cipher = CryptoApiCipher::Rc4;
    uint32_t keyBits = 0;  // already resolved when the header leaves it 0
};

struct CryptoApiVerifier {
    ByteVector salt;                   // 16 bytes
    ByteVector encryptedVerifier;      // 16 bytes
    uint32_t verifierHashSize = 0;     // bytes of SHA-1 that are compared, 1..20
    ByteVector encryptedVerifierHash;  // 20 bytes for RC4, 32 for AES
};

struct CryptoApiInfo {
    CryptoApiHeader header;
    CryptoApiVerifier verifier;
};

// Parses what follows the version numbers for versions (2|3|4).2: the flags
// copy, the header length, the header and the verifier. Throws jet::Error
// Corrupt for truncated or inconsistent structures and Unsupported for
// algorithms the engine does not implement.
CryptoApiInfo parseCryptoApiInfo(Bytes afterVersion);

}  // namespace jet::office
