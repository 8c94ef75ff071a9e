// Building blocks shared by the Office encryption schemes of .accdb files:
// hashing, AES over whole buffers, the password as the schemes hash it, and
// the per-page "block key". Internal to jet/crypt; everything runs on OpenSSL
// libcrypto and keeps no state between calls, so any function may be called
// from several threads at once.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "jet/util/bytes.h"

namespace jet::office {

using ByteVector = std::vector<uint8_t>;

enum class HashAlgorithm { Sha1, Sha256, Sha384, Sha512, Md5 };

// Digest length in bytes.
size_t hashSize(HashAlgorithm algorithm);

// Hash of the concatenation of `parts`.
ByteVector hashOf(HashAlgorithm algorithm, std::initializer_list<Bytes> parts);

// The Office "spin": starting from `hash`, computes H(LE32(i) || previous) for
// i = 0 .. iterations-1 and returns the last value (or `hash` for 0 rounds).
ByteVector spinHash(HashAlgorithm algorithm, ByteVector hash, uint32_t iterations);

// `bytes` cut or padded with `pad` to exactly `length` bytes.
ByteVector fitToLength(Bytes bytes, size_t length, uint8_t pad);

enum class ChainingMode { Ecb, Cbc, Cfb8 };

// Encrypts or decrypts `data` in place with AES (key of 16, 24 or 32 bytes)
// without padding. ECB and CBC need a length that is a multiple of 16 bytes;
// `iv` must be 16 bytes except for ECB, which ignores it. A length or key that
// does not fit throws jet::Error (Corrupt), since such values come from the
// file's encryption header.
void aesApply(ChainingMode mode, Bytes key, Bytes iv, std::span<uint8_t> data, bool encrypt);

// The password as Office hashes it: UTF-16LE code units of the UTF-8 text,
// at most the first 255 of them. Text that is not valid UTF-8 can never match
// a password and is reported as a wrong password.
ByteVector passwordBytes(std::string_view password);

// The four bytes mixed into every page key: the database key from the header
// XORed with the little-endian page number.
std::array<uint8_t, 4> pageBlockKey(std::array<uint8_t, 4> databaseKey, uint32_t pageNumber);

// The block key the password verifier is encrypted with (page number 0, no
// database key).
inline constexpr std::array<uint8_t, 4> kVerifierBlockKey = {0, 0, 0, 0};

// Throws jet::Error (BadPassword) with the message Access users know.
[[noreturn]] void throwBadPassword();

// Constant-shape comparison of a verifier hash; true when equal.
bool sameBytes(Bytes a, Bytes b);

}  // namespace jet::office
