#include "jet/crypt/office_rc4_cryptoapi.h"

#include "jet/crypt/rc4.h"

namespace jet::office {

namespace {

class Rc4CryptoApiCipher : public PageCipher {
public:
    Rc4CryptoApiCipher(ByteVector baseHash, uint32_t keyBits, std::array<uint8_t, 4> databaseKey)
        : baseHash_(std::move(baseHash)), keyBits_(keyBits), databaseKey_(databaseKey) {}

    // RC4 is its own inverse, so both directions apply the page's keystream.
    void decryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        if (pageNumber != 0) applyKeystream(pageBlockKey(databaseKey_, pageNumber), page);
    }
    void encryptPage(uint32_t pageNumber, std::span<uint8_t> page) const override {
        if (pageNumber != 0) applyKeystream(pageBlockKey(databaseKey_, pageNumber), page);
    }

    void applyKeystream(Bytes blockKey, std::span<uint8_t> data) const {
        rc4Apply(keyFor(blockKey), data);
    }

    // The key is the leading keyBits of SHA-1(base hash || block key); a
    // 40-bit key is used as 128 bits with zeros after it, as CryptoAPI does.
    ByteVector keyFor(Bytes blockKey) const {
        ByteVector hash = hashOf(HashAlgorithm::Sha1, {baseHash_, blockKey});
        ByteVector key = fitToLength(hash, keyBits_ / 8, 0);
        if (keyBits_ == 40) key.resize(16, 0);
        return key;
    }

private:
    ByteVector baseHash_;
    uint32_t keyBits_;
    std::array<uint8_t, 4> databaseKey_;
};

}  // namespace

std::unique_ptr<PageCipher> makeRc4CryptoApiCipher(const CryptoApiInfo& info,
                                                   std::array<uint8_t, 4> databaseKey,
                                                   Bytes password) {
    const CryptoApiVerifier& v = info.verifier;
    auto cipher = std::make_unique<Rc4CryptoApiCipher>(
        hashOf(HashAlgorithm::Sha1, {v.salt, password}), info.header.keyBits, databaseKey);

    // The verifier and its hash are one RC4 stream under the block-0 key.
    ByteVector stream = v.encryptedVerifier;
    stream.insert(stream.end(), v.encryptedVerifierHash.begin(), v.encryptedVerifierHash.end());
    cipher->applyKeystream(kVerifierBlockKey, stream);

    const Bytes plain(stream);
    const ByteVector expected =
        hashOf(HashAlgorithm::Sha1, {plain.first(v.encryptedVerifier.size())});
    const Bytes stored = plain.subspan(v.encryptedVerifier.size(), v.verifierHashSize);
    if (!sameBytes(stored, Bytes(expected).first(v.verifierHashSize))) throwBadPassword();
    return cipher;
}

}  // namespace jet::office
