#include "jet/crypt/office_agile_writer.h"

#include <openssl/rand.h>

#include <algorithm>
#include <string>

#include "jet/crypt/office_agile.h"
#include "jet/error.h"

namespace jet::office {

namespace {

constexpr size_t kSaltSize = 16;
constexpr size_t kBlockSize = 16;
constexpr uint16_t kAgileVersion = 4;
constexpr uint32_t kReservedWord = 0x40;

// The same block keys the reader uses to tell the three password-encrypted
// values apart.
constexpr std::array<uint8_t, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76,
                                                        0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<uint8_t, 8> kVerifierHashBlock = {0xd7, 0xaa, 0x0f, 0x6d,
                                                       0x30, 0x61, 0x34, 0x4e};
constexpr std::array<uint8_t, 8> kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

[[noreturn]] void invalid(const std::string& what) {
    throw Error(ErrorCode::InvalidArgument, what);
}

const char* hashName(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha1:
            return "SHA1";
        case HashAlgorithm::Sha256:
            return "SHA256";
        case HashAlgorithm::Sha384:
            return "SHA384";
        case HashAlgorithm::Sha512:
            return "SHA512";
        case HashAlgorithm::Md5:
            break;
    }
    invalid("Office encryption of a database does not use MD5.");
}

void requireLength(const ByteVector& value, size_t length, const char* what) {
    if (value.size() != length) {
        invalid(std::string(what) + " must be " + std::to_string(length) + " bytes long");
    }
}

// `value` padded with zeros to whole AES blocks, as Access pads the hash.
ByteVector padToBlocks(ByteVector value) {
    value.resize((value.size() + kBlockSize - 1) / kBlockSize * kBlockSize, 0);
    return value;
}

// Encrypts one value of the password key encryptor; the inverse of the
// reader's unlock step.
std::string lockedValue(const AgileParameters& p, Bytes spunHash, Bytes salt, Bytes blockKey,
                        ByteVector value) {
    const ByteVector key = fitToLength(hashOf(p.hash, {spunHash, blockKey}), p.keyBits / 8, 0x36);
    aesApply(ChainingMode::Cbc, key, fitToLength(salt, kBlockSize, 0x36), value, true);
    return encodeBase64(value);
}

// The attributes <keyData> and <p:encryptedKey> share, in Access's order.
std::string cipherAttributes(const AgileParameters& p) {
    return "saltSize=\"" + std::to_string(kSaltSize) + "\" blockSize=\"" +
           std::to_string(kBlockSize) + "\" keyBits=\"" + std::to_string(p.keyBits) +
           "\" hashSize=\"" + std::to_string(hashSize(p.hash)) +
           "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
           hashName(p.hash) + "\"";
}

void appendU16(ByteVector& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void appendU32(ByteVector& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

void secureRandomBytes(std::span<uint8_t> out) {
    if (out.empty()) return;
    if (RAND_bytes(out.data(), static_cast<int>(out.size())) != 1) {
        throw Error(ErrorCode::Unsupported,
                    "The cryptographic library could not provide random bytes.");
    }
}

AgileSecrets randomAgileSecrets(const AgileParameters& parameters) {
    AgileSecrets s;
    s.keyDataSalt.resize(kSaltSize);
    s.encryptorSalt.resize(kSaltSize);
    s.verifierInput.resize(kSaltSize);
    s.intermediateKey.resize(parameters.keyBits / 8);
    for (ByteVector* v : {&s.keyDataSalt, &s.encryptorSalt, &s.verifierInput, &s.intermediateKey}) {
        secureRandomBytes(*v);
    }
    return s;
}

ByteVector buildAgileEncryptionInfo(const AgileParameters& p, const AgileSecrets& s,
                                    Bytes password) {
    if (p.keyBits != 128 && p.keyBits != 192 && p.keyBits != 256) {
        invalid("An AES key has 128, 192 or 256 bits, not " + std::to_string(p.keyBits) + ".");
    }
    if (p.spinCount > kMaxAgileSpinCount) {
        invalid("A spin count above " + std::to_string(kMaxAgileSpinCount) +
                " would make the file unreadable.");
    }
    hashName(p.hash);  // refuses MD5 before the costly hash rounds
    requireLength(s.keyDataSalt, kSaltSize, "the page cipher's salt");
    requireLength(s.encryptorSalt, kSaltSize, "the password salt");
    requireLength(s.verifierInput, kSaltSize, "the password verifier");
    requireLength(s.intermediateKey, p.keyBits / 8, "the page key");

    const ByteVector spun =
        spinHash(p.hash, hashOf(p.hash, {s.encryptorSalt, password}), p.spinCount);
    const std::string hashInput =
        lockedValue(p, spun, s.encryptorSalt, kVerifierInputBlock, s.verifierInput);
    const std::string hashValue = lockedValue(p, spun, s.encryptorSalt, kVerifierHashBlock,
                                              padToBlocks(hashOf(p.hash, {s.verifierInput})));
    const std::string keyValue =
        lockedValue(p, spun, s.encryptorSalt, kKeyValueBlock, padToBlocks(s.intermediateKey));

    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
        "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<keyData " +
        cipherAttributes(p) + " saltValue=\"" + encodeBase64(s.keyDataSalt) +
        "\"/><keyEncryptors><keyEncryptor "
        "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<p:encryptedKey spinCount=\"" +
        std::to_string(p.spinCount) + "\" " + cipherAttributes(p) + " saltValue=\"" +
        encodeBase64(s.encryptorSalt) + "\" encryptedVerifierHashInput=\"" + hashInput +
        "\" encryptedVerifierHashValue=\"" + hashValue + "\" encryptedKeyValue=\"" + keyValue +
        "\"/></keyEncryptor></keyEncryptors></encryption>";

    ByteVector info;
    appendU16(info, kAgileVersion);
    appendU16(info, kAgileVersion);
    appendU32(info, kReservedWord);
    info.insert(info.end(), xml.begin(), xml.end());
    return info;
}

std::string encodeBase64(Bytes bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (n > 1) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (n > 2) group |= bytes[i + 2];
        out.push_back(kAlphabet[(group >> 18) & 0x3f]);
        out.push_back(kAlphabet[(group >> 12) & 0x3f]);
        out.push_back(n > 1 ? kAlphabet[(group >> 6) & 0x3f] : '=');
        out.push_back(n > 2 ? kAlphabet[group & 0x3f] : '=');
    }
    return out;
}

}  // namespace jet::office
