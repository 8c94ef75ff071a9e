// Writing Office agile encryption (version 4.4) for a new password-protected
// .accdb file: the encryption info that goes into the header page, in the
// exact shape Access 2010 and later write it (an XML descriptor with one
// password key encryptor and no data-integrity element), and the page cipher
// it describes. The reader in office_agile.h is the inverse.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/crypt/office_primitives.h"
#include "jet/file/page_cipher.h"

namespace jet::office {

// The algorithms of a new descriptor. The defaults are what Access 2010
// writes: AES-128 in CBC mode, SHA-1, 100,000 hash rounds, 16-byte salts.
struct AgileParameters {
    HashAlgorithm hash = HashAlgorithm::Sha1;  // SHA-1, SHA-256, SHA-384 or SHA-512
    uint32_t keyBits = 128;                    // 128, 192 or 256
    uint32_t spinCount = 100'000;              // at most kMaxAgileSpinCount
};

// The secret and random values a descriptor is built from. Fresh ones come
// from randomAgileSecrets; a test may supply the values of an existing file
// to reproduce its descriptor.
struct AgileSecrets {
    ByteVector keyDataSalt;      // 16 bytes: salt of the page cipher's IVs
    ByteVector encryptorSalt;    // 16 bytes: salt of the password hash
    ByteVector verifierInput;    // 16 bytes: proves the password
    ByteVector intermediateKey;  // keyBits / 8 bytes: the key every page is encrypted with
};

// Fills `out` from the operating system's cryptographic random source.
// Throws jet::Error (Unsupported) if the source fails.
void secureRandomBytes(std::span<uint8_t> out);

// Fresh secrets for `parameters` from secureRandomBytes.
AgileSecrets randomAgileSecrets(const AgileParameters& parameters);

// The whole encryption info (version 4.4, reserved word, XML) for
// `password` (UTF-16LE, as passwordBytes gives it). Throws jet::Error
// (InvalidArgument) for parameters Access does not use or secrets of the
// wrong length.
ByteVector buildAgileEncryptionInfo(const AgileParameters& parameters, const AgileSecrets& secrets,
                                    Bytes password);

// Standard base64 with '=' padding, the inverse of decodeBase64.
std::string encodeBase64(Bytes bytes);

}  // namespace jet::office
