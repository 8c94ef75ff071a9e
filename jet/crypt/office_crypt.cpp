#include "jet/crypt/office_crypt.h"

#include <array>
#include <string>
#include <vector>

#include "jet/crypt/header_mask.h"
#include "jet/crypt/office_agile.h"
#include "jet/crypt/office_cryptoapi_header.h"
#include "jet/crypt/office_rc4_cryptoapi.h"
#include "jet/crypt/office_standard_aes.h"
#include "jet/error.h"
#include "jet/util/bytes.h"

namespace jet {

namespace {

// The database key sits inside the masked part of the header page.
constexpr size_t kDatabaseKeyOffset = 0x3e;
// The encryption info: a 16-bit length, then that many bytes.
constexpr size_t kEncryptionInfoOffset = 0x299;

std::array<uint8_t, 4> databaseKeyOf(std::span<const uint8_t> headerPage, JetVersion version) {
    const size_t maskEnd = kHeaderMaskOffset + headerMaskLength(version);
    const Bytes masked = subBytes(headerPage, 0, maskEnd, "the header page");
    std::vector<uint8_t> copy(masked.begin(), masked.end());
    unmaskHeaderPage(copy, version);
    std::array<uint8_t, 4> key;
    for (size_t i = 0; i < key.size(); ++i) key[i] = copy[kDatabaseKeyOffset + i];
    return key;
}

bool isBlank(const std::array<uint8_t, 4>& key) {
    return key[0] == 0 && key[1] == 0 && key[2] == 0 && key[3] == 0;
}

[[noreturn]] void throwUnsupportedVersion(uint16_t major, uint16_t minor, const char* what) {
    throw Error(ErrorCode::Unsupported, "This database is encrypted with " + std::string(what) +
                                            " (version " + std::to_string(major) + "." +
                                            std::to_string(minor) + "), which is not supported.");
}

}  // namespace

bool hasOfficeEncryption(std::span<const uint8_t> headerPage, JetVersion version) {
    return isAce(version) && !isBlank(databaseKeyOf(headerPage, version));
}

std::unique_ptr<PageCipher> makeOfficeCipher(std::span<const uint8_t> headerPage,
                                             JetVersion version, std::string_view password) {
    const std::array<uint8_t, 4> databaseKey = databaseKeyOf(headerPage, version);
    if (!isAce(version) || isBlank(databaseKey)) {
        throw Error(ErrorCode::InvalidArgument, "The database does not use Office encryption.");
    }

    const uint16_t infoLength = readU16(headerPage, kEncryptionInfoOffset, "the encryption info");
    const Bytes info =
        subBytes(headerPage, kEncryptionInfoOffset + 2, infoLength, "the encryption info");
    const uint16_t major = readU16(info, 0, "the encryption info");
    const uint16_t minor = readU16(info, 2, "the encryption info");
    const Bytes afterVersion = info.subspan(4);
    const office::ByteVector pwd = office::passwordBytes(password);

    if (major == 4 && minor == 4) return office::makeAgileCipher(afterVersion, databaseKey, pwd);
    if ((major == 3 || major == 4) && minor == 3) {
        throwUnsupportedVersion(major, minor, "extensible encryption");
    }
    if (major >= 2 && major <= 4 && minor == 2) {
        const office::CryptoApiInfo parsed = office::parseCryptoApiInfo(afterVersion);
        if (parsed.header.cipher == office::CryptoApiCipher::Rc4) {
            return office::makeRc4CryptoApiCipher(parsed, databaseKey, pwd);
        }
        // With the AES flag this is standard encryption; AES named only by
        // its cipher id is the variant Access writes without hash rounds.
        const bool standard = (parsed.header.flags & office::kFlagAes) != 0;
        return office::makeStandardAesCipher(parsed, databaseKey, pwd,
                                             standard ? office::kStandardAesSpinCount : 0);
    }
    throwUnsupportedVersion(major, minor, "an Office encryption method");
}

}  // namespace jet
