// Text as stored in Access files: UTF-16LE (Jet 4 and later), its compressed
// form (a 0xFF 0xFE mark, then runs of one-byte characters and two-byte
// characters switched by a 0x00 byte), and code-page bytes (Jet 3).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// UTF-16LE bytes to UTF-8. An odd trailing byte is dropped; unpaired
// surrogates become U+FFFD.
std::string utf16leToUtf8(std::span<const uint8_t> bytes);
std::u16string utf8ToUtf16(std::string_view utf8);
// UTF-8 to code points and back; malformed bytes decode to U+FFFD, so any
// bytes give some text.
std::u32string utf8ToCodePoints(std::string_view utf8);
std::string codePointsToUtf8(std::u32string_view codePoints);
std::string utf16ToUtf8(std::u16string_view s);

// Jet 4 / ACE text value: compressed or plain UTF-16LE.
std::string decodeUnicodeText(std::span<const uint8_t> bytes);

// Jet 3 text in the database's code page (1252 when unknown).
std::string decodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage);
// UTF-8 to code-page bytes; nullopt when the code page is unknown or a
// character has no byte form in it.
std::optional<std::vector<uint8_t>> encodeCodePageText(std::string_view utf8, uint16_t codePage);

}  // namespace jet
