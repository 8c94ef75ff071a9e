#include "jet/file/header.h"

#include <cmath>
#include <cstring>

#include "jet/crypt/header_mask.h"
#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr size_t kVersionOffset = 0x14;
constexpr size_t kJet3SortOrderOffset = 0x3a;
constexpr size_t kCodePageOffset = 0x3c;
constexpr size_t kEncodingKeyOffset = 0x3e;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kSortOrderOffset = 0x6e;
constexpr size_t kCreationDateOffset = 0x72;

[[noreturn]] void unrecognized(const std::string& path) {
    throw Error(ErrorCode::UnrecognizedFormat, "Unrecognized database format '" + path + "'.");
}

}  // namespace

DatabaseHeader parseHeader(std::span<const uint8_t> rawPage, const std::string& path) {
    // The smallest page is 2 KiB; anything shorter cannot be an Access file.
    if (rawPage.size() < 2048) unrecognized(path);
    if (rawPage[0] != 0x00 || rawPage[1] != 0x01 || rawPage[2] != 0x00 || rawPage[3] != 0x00) {
        unrecognized(path);
    }
    std::string engine(reinterpret_cast<const char*>(rawPage.data()) + 4, 15);
    if (engine != "Standard Jet DB" && engine != "Standard ACE DB") unrecognized(path);
    uint8_t versionByte = rawPage[kVersionOffset];
    if (versionByte > static_cast<uint8_t>(JetVersion::Ace17)) unrecognized(path);

    DatabaseHeader h;
    h.version = static_cast<JetVersion>(versionByte);
    if (engine == "Standard ACE DB" && !isAce(h.version)) unrecognized(path);
    h.engineName = engine;
    h.pageSize = pageSizeOf(h.version);

    std::vector<uint8_t> page(rawPage.begin(), rawPage.begin() + h.pageSize);
    if (rawPage.size() < h.pageSize) unrecognized(path);
    unmaskHeaderPage(page, h.version);
    Bytes p(page);

    h.codePage = readU16(p, kCodePageOffset);
    h.encodingKey = readU32(p, kEncodingKeyOffset);
    if (isJet3(h.version)) {
        h.sortOrder = SortOrder{readU16(p, kJet3SortOrderOffset), 0};
        // Jet 3 keeps the password as up to 20 code-page bytes.
        Bytes pw = subBytes(p, kPasswordOffset, 20);
        size_t n = 0;
        while (n < pw.size() && pw[n] != 0) ++n;
        h.password = decodeCodePageText(pw.first(n), h.codePage);
    } else {
        h.sortOrder = SortOrder{readU16(p, kSortOrderOffset), readU8(p, kSortOrderOffset + 3)};
        h.creationDate = readF64(p, kCreationDateOffset);
        // Jet 4 keeps up to 20 UTF-16 characters, each byte further masked
        // with the integer part of the creation date.
        if (!isAce(h.version)) {
            uint32_t mask = 0;
            if (std::isfinite(h.creationDate) && std::fabs(h.creationDate) < 2e9) {
                mask = static_cast<uint32_t>(static_cast<int32_t>(h.creationDate));
            }
            std::vector<uint8_t> pw(40);
            for (size_t i = 0; i < pw.size(); ++i) {
                pw[i] = page[kPasswordOffset + i] ^ static_cast<uint8_t>(mask >> (8 * (i % 4)));
            }
            size_t chars = 0;
            while (chars < 20 && (pw[2 * chars] | pw[2 * chars + 1]) != 0) ++chars;
            h.password = utf16leToUtf8(Bytes(pw).first(chars * 2));
        }
    }
    return h;
}

std::string sortOrderName(const SortOrder& s, JetVersion v) {
    if (s.lcid == 0x0409) {
        if (isJet3(v)) return "General (Jet 3)";
        return s.version >= 1 ? "General" : "General legacy";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "LCID %u", s.lcid);
    return buf;
}

}  // namespace jet
