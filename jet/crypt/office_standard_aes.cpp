#include "jet/crypt/office_standard_aes.h"

namespace jet::office {

namespace {

class StandardAesCipher : public PageCipher {
public:
    StandardAesCipher(ByteVector spunHash, uint32_t keyBits, std::array<uint8_t, 4> databaseKey)
        : spunHash_(std::move(spunHash)), keyBits_(keyBits), databaseKey_(databaseKey) {}

    void decryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        if (pageNumber == 0) return;
        aesApply(ChainingMode::Ecb, keyFor(pageBlockKey(databaseKey_, pageNumber)), {}, page,
                 false);
    }
    void encryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        if (pageNumber == 0) return;
        aesApply(ChainingMode::Ecb, keyFor(pageBlockKey(databaseKey_, pageNumber)), {}, page, true);
    }

    // CryptoAPI's key derivation: the hash of (spun hash || block key) is
    // XORed into 64-byte blocks of 0x36 and 0x5c, each is hashed, and the key
    // is the leading bytes of the two hashes joined.
    ByteVector keyFor(Bytes blockKey) const {
        const ByteVector finalHash = hashOf(HashAlgorithm::Sha1, {spunHash_, blockKey});
        ByteVector inner(64, 0x36);
        ByteVector outer(64, 0x5c);
        for (size_t i = 0; i < finalHash.size(); ++i) {
            inner[i] ^= finalHash[i];
            outer[i] ^= finalHash[i];
        }
        ByteVector joined = hashOf(HashAlgorithm::Sha1, {inner});
        const ByteVector second = hashOf(HashAlgorithm::Sha1, {outer});
        joined.insert(joined.end(), second.begin(), second.end());
        return fitToLength(joined, keyBits_ / 8, 0);
    }

private:
    ByteVector spunHash_;
    uint32_t keyBits_;
    std::array<uint8_t, 4> databaseKey_;
};

}  // namespace

std::unique_ptr<PageCipher> makeStandardAesCipher(const CryptoApiInfo& info,
                                                  std::array<uint8_t, 4> databaseKey,
                                                  Bytes password, uint32_t spinCount) {
    const CryptoApiVerifier& v = info.verifier;
    ByteVector spun =
        spinHash(HashAlgorithm::Sha1, hashOf(HashAlgorithm::Sha1, {v.salt, password}), spinCount);
    auto cipher =
        std::make_unique<StandardAesCipher>(std::move(spun), info.header.keyBits, databaseKey);

    const ByteVector key = cipher->keyFor(kVerifierBlockKey);
    ByteVector verifier = v.encryptedVerifier;
    ByteVector verifierHash = v.encryptedVerifierHash;
    aesApply(ChainingMode::Ecb, key, {}, verifier, false);
    aesApply(ChainingMode::Ecb, key, {}, verifierHash, false);

    const ByteVector expected = hashOf(HashAlgorithm::Sha1, {verifier});
    if (!sameBytes(Bytes(verifierHash).first(v.verifierHashSize),
                   Bytes(expected).first(v.verifierHashSize))) {
        throwBadPassword();
    }
    return cipher;
}

}  // namespace jet::office
