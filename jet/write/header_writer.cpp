#include "jet/write/header_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jet/crypt/header_mask.h"
#include "jet/crypt/office_agile.h"
#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr size_t kEngineNameOffset = 0x04;
constexpr size_t kVersionOffset = 0x14;
constexpr size_t kVersionMinorOffset = 0x15;
constexpr size_t kFormatWordsOffset = 0x18;
constexpr size_t kJet3FlagOffset = 0x38;
constexpr size_t kJet3SortOrderOffset = 0x3a;
constexpr size_t kCodePageOffset = 0x3c;
constexpr size_t kDatabaseKeyOffset = 0x3e;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kJet3PasswordBytes = 20;
constexpr size_t kJet4PasswordBytes = 40;
constexpr size_t kSortOrderOffset = 0x6e;
constexpr size_t kCreationDateOffset = 0x72;
constexpr size_t kFormatTrailerOffset = 0x98;
constexpr size_t kEncryptionInfoOffset = 0x299;
// The last 512 bytes of the page: 256 two-byte entries.
constexpr size_t kTailTableBytes = 512;

void putU16(PageBytes& page, size_t offset, uint16_t v) {
    page[offset] = static_cast<uint8_t>(v);
    page[offset + 1] = static_cast<uint8_t>(v >> 8);
}

void putU32(PageBytes& page, size_t offset, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) page[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

[[noreturn]] void invalidPassword() {
    throw Error(ErrorCode::InvalidArgument, "Not a valid password.");
}

// Access accepts any characters but NUL, up to kMaxPasswordLength of them
// (counted in UTF-16 units, as the Jet 4 header slot holds them).
std::u16string checkedPassword(const std::string& password) {
    if (codePointsToUtf8(utf8ToCodePoints(password)) != password) invalidPassword();
    if (password.find('\0') != std::string::npos) invalidPassword();
    std::u16string units = utf8ToUtf16(password);
    if (units.size() > kMaxPasswordLength) invalidPassword();
    return units;
}

// The Jet 4 password slot is XORed with the integer part of the creation
// date, repeated every four bytes. Dates that do not fit an int32 give no
// mask, as the reader assumes.
std::array<uint8_t, 4> passwordMask(double creationDate) {
    uint32_t mask = 0;
    if (std::isfinite(creationDate) && std::fabs(creationDate) < 2e9) {
        mask = static_cast<uint32_t>(static_cast<int32_t>(creationDate));
    }
    return {static_cast<uint8_t>(mask), static_cast<uint8_t>(mask >> 8),
            static_cast<uint8_t>(mask >> 16), static_cast<uint8_t>(mask >> 24)};
}

// Fills the 40-byte Jet 4 / ACE password slot of an unmasked page.
void putMaskedPasswordSlot(PageBytes& page, const std::array<uint8_t, kJet4PasswordBytes>& plain,
                           double creationDate) {
    const auto mask = passwordMask(creationDate);
    for (size_t i = 0; i < plain.size(); ++i) page[kPasswordOffset + i] = plain[i] ^ mask[i % 4];
}

void putJet3Fields(PageBytes& page, const NewHeader& h) {
    // Access 97 (Jet 3.5) writes 1 here; its meaning is not known.
    putU16(page, kJet3FlagOffset, 1);
    putU16(page, kJet3SortOrderOffset, h.sortOrder.lcid);
    if (!h.password.empty()) {
        checkedPassword(h.password);
        const auto bytes = encodeCodePageText(h.password, h.codePage);
        if (!bytes || bytes->size() > kJet3PasswordBytes) invalidPassword();
        std::copy(bytes->begin(), bytes->end(), page.begin() + kPasswordOffset);
    }
    putU16(page, kPasswordOffset + kJet3PasswordBytes,
           h.engineBuild ? h.engineBuild : kDefaultJet3EngineBuild);
}

void putJet4Fields(PageBytes& page, const NewHeader& h) {
    // The password slot is masked even when empty. An .accdb file keeps no
    // password here: protectAceHeader encrypts the file instead.
    std::array<uint8_t, kJet4PasswordBytes> plain{};
    const std::u16string units = checkedPassword(h.password);
    if (!isAce(h.version)) {
        for (size_t i = 0; i < units.size(); ++i) {
            plain[2 * i] = static_cast<uint8_t>(units[i]);
            plain[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
        }
    }
    putMaskedPasswordSlot(page, plain, h.creationDate);
    putU16(page, kPasswordOffset + kJet4PasswordBytes,
           h.engineBuild ? h.engineBuild : kDefaultEngineBuild);
    putU16(page, kSortOrderOffset, h.sortOrder.lcid);
    page[kSortOrderOffset + 3] = h.sortOrder.version;
    std::memcpy(page.data() + kCreationDateOffset, &h.creationDate, sizeof h.creationDate);
    // After the masked region every Jet 4 and ACE header carries these
    // eight bytes: 0x654, then the text "4.0".
    putU32(page, kFormatTrailerOffset, 0x654);
    std::memcpy(page.data() + kFormatTrailerOffset + 4, "4.0", 4);
}

}  // namespace

PageBytes buildHeaderPage(const NewHeader& h) {
    switch (h.version) {
        case JetVersion::Jet3:
        case JetVersion::Jet4:
        case JetVersion::Ace12:
        case JetVersion::Ace14:
            break;
        default:
            throw Error(ErrorCode::InvalidArgument, "Creating a database in the " +
                                                        formatName(h.version) +
                                                        " format is not supported.");
    }
    PageBytes page(pageSizeOf(h.version), 0);
    page[1] = 0x01;  // the page starts 00 01 00 00: page type 0 (the header), then 1
    const char* engine = isAce(h.version) ? "Standard ACE DB" : "Standard Jet DB";
    std::memcpy(page.data() + kEngineNameOffset, engine, 15);
    page[kVersionOffset] = static_cast<uint8_t>(h.version);
    // Access 2010 marks its own format with a second version byte.
    page[kVersionMinorOffset] = h.version == JetVersion::Ace14 ? 1 : 0;
    // Six words Access writes into every header: 0x100, 0x101, 2, 3, 4, 5.
    const uint32_t formatWords[] = {0x100, 0x101, 2, 3, 4, 5};
    for (size_t i = 0; i < std::size(formatWords); ++i) {
        putU32(page, kFormatWordsOffset + 4 * i, formatWords[i]);
    }
    putU16(page, kCodePageOffset, h.codePage);
    if (isJet3(h.version)) {
        putJet3Fields(page, h);
    } else {
        putJet4Fields(page, h);
    }
    // The page ends in 256 entries of two bytes, (n, 1). Access changes the
    // first two entries as a file is used; a file its engine has just
    // created holds n = 1 in the first and 0 in all others.
    const size_t tail = page.size() - kTailTableBytes;
    for (size_t i = tail; i < page.size(); i += 2) page[i + 1] = 1;
    page[tail] = 1;

    unmaskHeaderPage(page, h.version);  // the mask is an XOR: this applies it
    return page;
}

std::unique_ptr<PageCipher> protectAceHeader(PageBytes& header, const std::string& password) {
    const office::AgileParameters parameters;
    std::array<uint8_t, 4> databaseKey{};
    while (databaseKey == std::array<uint8_t, 4>{}) office::secureRandomBytes(databaseKey);
    return protectAceHeader(header, password, databaseKey, parameters,
                            office::randomAgileSecrets(parameters));
}

std::unique_ptr<PageCipher> protectAceHeader(PageBytes& header, const std::string& password,
                                             std::array<uint8_t, 4> databaseKey,
                                             const office::AgileParameters& parameters,
                                             const office::AgileSecrets& secrets) {
    const DatabaseHeader parsed = parseHeader(header, "the new database");
    if (!isAce(parsed.version)) {
        throw Error(ErrorCode::InvalidArgument,
                    "Only .accdb files are encrypted with a password this way.");
    }
    if (header.size() != parsed.pageSize) {
        throw Error(ErrorCode::InvalidArgument, "The header page has the wrong size.");
    }
    if (password.empty()) invalidPassword();
    checkedPassword(password);
    if (databaseKey == std::array<uint8_t, 4>{}) {
        throw Error(ErrorCode::InvalidArgument, "An encrypted database needs a non-zero key.");
    }

    const office::ByteVector passwordUnits = office::passwordBytes(password);
    const office::ByteVector info =
        office::buildAgileEncryptionInfo(parameters, secrets, passwordUnits);
    if (kEncryptionInfoOffset + 2 + info.size() > header.size()) {
        throw Error(ErrorCode::InvalidArgument,
                    "The encryption descriptor does not fit into the header page.");
    }

    unmaskHeaderPage(header, parsed.version);
    std::copy(databaseKey.begin(), databaseKey.end(), header.begin() + kDatabaseKeyOffset);
    // Access fills the unused password slot with the key's first byte.
    std::array<uint8_t, kJet4PasswordBytes> slot;
    slot.fill(databaseKey[0]);
    putMaskedPasswordSlot(header, slot, parsed.creationDate);
    unmaskHeaderPage(header, parsed.version);

    putU16(header, kEncryptionInfoOffset, static_cast<uint16_t>(info.size()));
    std::copy(info.begin(), info.end(), header.begin() + kEncryptionInfoOffset + 2);

    // The reader builds the cipher from what was just written, so a
    // descriptor it could not read back never leaves here.
    return office::makeAgileCipher(Bytes(info).subspan(4), databaseKey, passwordUnits);
}

}  // namespace jet
