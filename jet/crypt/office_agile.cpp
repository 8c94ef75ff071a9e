#include "jet/crypt/office_agile.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "jet/crypt/office_xml.h"
#include "jet/error.h"

namespace jet::office {

namespace {

constexpr uint32_t kReservedWord = 0x40;
constexpr std::string_view kPasswordKeyEncryptor =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

// Block keys that separate the three values the password unlocks.
constexpr std::array<uint8_t, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76,
                                                        0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<uint8_t, 8> kVerifierHashBlock = {0xd7, 0xaa, 0x0f, 0x6d,
                                                       0x30, 0x61, 0x34, 0x4e};
constexpr std::array<uint8_t, 8> kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

[[noreturn]] void throwUnsupported(const std::string& what) {
    throw Error(ErrorCode::Unsupported,
                "This database is encrypted with " + what + ", which is not supported.");
}

// Names in the descriptor are compared the way Office writes them loosely:
// case, '-' and '_' do not matter ("SHA-1", "sha1").
std::string normalisedName(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '-' || c == '_') continue;
        out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return out;
}

std::string_view requireAttribute(const XmlElement& element, std::string_view name) {
    auto value = element.attribute(name);
    if (!value) {
        throwCorrupt("the encryption descriptor's " + element.localName + " has no " +
                     std::string(name));
    }
    return *value;
}

uint32_t numberAttribute(const XmlElement& element, std::string_view name) {
    const std::string_view text = requireAttribute(element, name);
    uint32_t value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        throwCorrupt("the encryption descriptor's " + std::string(name) + " is not a number");
    }
    return value;
}

ByteVector base64Attribute(const XmlElement& element, std::string_view name) {
    const std::string label = std::string(name);
    return decodeBase64(requireAttribute(element, name), label.c_str());
}

HashAlgorithm hashAttribute(const XmlElement& element) {
    const std::string name = normalisedName(requireAttribute(element, "hashAlgorithm"));
    if (name == "SHA1") return HashAlgorithm::Sha1;
    if (name == "SHA256") return HashAlgorithm::Sha256;
    if (name == "SHA384") return HashAlgorithm::Sha384;
    if (name == "SHA512") return HashAlgorithm::Sha512;
    if (name == "MD5") return HashAlgorithm::Md5;
    throwUnsupported("hash algorithm " + name);
}

// The cipher settings shared by <keyData> and <p:encryptedKey>.
struct AgileCipher {
    HashAlgorithm hash = HashAlgorithm::Sha1;
    ChainingMode mode = ChainingMode::Cbc;
    uint32_t keyBytes = 0;
    uint32_t blockSize = 0;
    ByteVector salt;
};

AgileCipher readCipher(const XmlElement& element) {
    AgileCipher out;
    const std::string algorithm = normalisedName(requireAttribute(element, "cipherAlgorithm"));
    if (algorithm != "AES") throwUnsupported("cipher " + algorithm);
    const std::string chaining = normalisedName(requireAttribute(element, "cipherChaining"));
    if (chaining == "CHAININGMODECBC") {
        out.mode = ChainingMode::Cbc;
    } else if (chaining == "CHAININGMODECFB") {
        out.mode = ChainingMode::Cfb8;
    } else {
        throwUnsupported("chaining mode " + chaining);
    }
    out.hash = hashAttribute(element);
    const uint32_t keyBits = numberAttribute(element, "keyBits");
    if (keyBits != 128 && keyBits != 192 && keyBits != 256) {
        throwCorrupt("the encryption descriptor gives an AES key of " + std::to_string(keyBits) +
                     " bits");
    }
    out.keyBytes = keyBits / 8;
    out.blockSize = numberAttribute(element, "blockSize");
    if (out.blockSize != 16)
        throwCorrupt("the encryption descriptor gives an AES block size other than 16");
    out.salt = base64Attribute(element, "saltValue");
    if (out.salt.empty()) throwCorrupt("the encryption descriptor has an empty salt");
    return out;
}

class AgileCipherImpl : public PageCipher {
public:
    AgileCipherImpl(AgileCipher keyData, ByteVector key, std::array<uint8_t, 4> databaseKey)
        : keyData_(std::move(keyData)), key_(std::move(key)), databaseKey_(databaseKey) {}

    void decryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        if (pageNumber == 0) return;
        aesApply(keyData_.mode, key_, ivFor(pageNumber), page, false);
    }
    void encryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        if (pageNumber == 0) return;
        aesApply(keyData_.mode, key_, ivFor(pageNumber), page, true);
    }

private:
    ByteVector ivFor(uint32_t pageNumber) const {
        const auto blockKey = pageBlockKey(databaseKey_, pageNumber);
        return fitToLength(hashOf(keyData_.hash, {keyData_.salt, blockKey}), keyData_.blockSize,
                           0x36);
    }

    AgileCipher keyData_;
    ByteVector key_;
    std::array<uint8_t, 4> databaseKey_;
};

// Decrypts one value of the password key encryptor: the key is the spun
// password hash extended by `blockKey`, the IV the encryptor's salt.
ByteVector unlock(const AgileCipher& encryptor, Bytes spunHash, Bytes blockKey, ByteVector value) {
    const ByteVector key =
        fitToLength(hashOf(encryptor.hash, {spunHash, blockKey}), encryptor.keyBytes, 0x36);
    aesApply(encryptor.mode, key, fitToLength(encryptor.salt, encryptor.blockSize, 0x36), value,
             false);
    return value;
}

}  // namespace

std::unique_ptr<PageCipher> makeAgileCipher(Bytes afterVersion, std::array<uint8_t, 4> databaseKey,
                                            Bytes password) {
    const uint32_t reserved = readU32(afterVersion, 0, "the agile encryption info");
    if (reserved != kReservedWord) {
        throwCorrupt("the agile encryption info has an unexpected reserved word");
    }
    const Bytes xmlBytes = afterVersion.subspan(4);
    const std::vector<XmlElement> elements = readXmlElements(
        std::string_view(reinterpret_cast<const char*>(xmlBytes.data()), xmlBytes.size()));

    const XmlElement* keyData = nullptr;
    const XmlElement* encryptedKey = nullptr;
    bool inPasswordEncryptor = false;
    for (const XmlElement& element : elements) {
        if (element.localName == "keyData" && !keyData) keyData = &element;
        if (element.localName == "keyEncryptor") {
            inPasswordEncryptor = element.attribute("uri") == kPasswordKeyEncryptor;
        }
        if (element.localName == "encryptedKey" && inPasswordEncryptor && !encryptedKey) {
            encryptedKey = &element;
        }
    }
    if (!keyData) throwCorrupt("the encryption descriptor has no keyData");
    if (!encryptedKey) throwUnsupported("a key encryptor other than a password");

    const AgileCipher pageCipher = readCipher(*keyData);
    const AgileCipher encryptor = readCipher(*encryptedKey);
    const uint32_t spinCount = numberAttribute(*encryptedKey, "spinCount");
    if (spinCount > kMaxAgileSpinCount) {
        throwCorrupt("the encryption descriptor asks for " + std::to_string(spinCount) +
                     " hash rounds");
    }
    const ByteVector hashInput = base64Attribute(*encryptedKey, "encryptedVerifierHashInput");
    const ByteVector hashValue = base64Attribute(*encryptedKey, "encryptedVerifierHashValue");
    const ByteVector keyValue = base64Attribute(*encryptedKey, "encryptedKeyValue");

    const ByteVector spun =
        spinHash(encryptor.hash, hashOf(encryptor.hash, {encryptor.salt, password}), spinCount);

    // The verifier input is as long as the salt, padded to whole blocks; its
    // hash, padded likewise, must match the second value.
    const ByteVector input = unlock(encryptor, spun, kVerifierInputBlock, hashInput);
    const ByteVector storedHash = unlock(encryptor, spun, kVerifierHashBlock, hashValue);
    const size_t inputSize = std::min(input.size(), encryptor.salt.size());
    const ByteVector expected = hashOf(encryptor.hash, {Bytes(input).first(inputSize)});
    if (storedHash.size() < expected.size()) {
        throwCorrupt("the encryption descriptor's verifier hash is too short");
    }
    if (!sameBytes(Bytes(storedHash).first(expected.size()), expected)) throwBadPassword();

    ByteVector key = unlock(encryptor, spun, kKeyValueBlock, keyValue);
    if (key.size() < pageCipher.keyBytes) {
        throwCorrupt("the encryption descriptor's key value is too short");
    }
    key.resize(pageCipher.keyBytes);
    return std::make_unique<AgileCipherImpl>(pageCipher, std::move(key), databaseKey);
}

}  // namespace jet::office
