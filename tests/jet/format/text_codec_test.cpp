// Compressed Unicode text: runs of one-byte characters and of UTF-16 units,
// switched by 0x00 (so no UTF-16 unit of a compressed text starts with one),
// read into UTF-8; broken surrogates become U+FFFD rather than invalid UTF-8.
#include "jet/format/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace jet {
namespace {

TEST(TextCodec, DecodesCompressedAndPlainUnicodeText) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string expected;
    } cases[] = {
        {"compressed ASCII", {0xFF, 0xFE, 'a', 'b', 'c'}, "abc"},
        {"compressed Latin-1 beside ASCII", {0xFF, 0xFE, 'c', 0xE9, 'e'}, "c\u00E9e"},
        {"switch to UTF-16 and back", {0xFF, 0xFE, 'a', 0x00, 0xAC, 0x20, 0x00, 'b'}, "a\u20ACb"},
        {"surrogate pair in a UTF-16 run",
         {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x01, 0xDE},
         "\U0001F601"},
        {"surrogate pair split by switches",
         {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 0x00, 0x01, 0xDE},
         "\U0001F601"},
        {"high surrogate before a one-byte character",
         {0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 'x'},
         "\uFFFDx"},
        {"lone low surrogate", {0xFF, 0xFE, 0x00, 0x01, 0xDE}, "\uFFFD"},
        {"high surrogate at the end", {0xFF, 0xFE, 0x00, 0x3D, 0xD8}, "\uFFFD"},
        {"dangling half unit", {0xFF, 0xFE, 'a', 0x00, 0x41}, "a"},
        {"plain UTF-16", {'h', 0x00, 'i', 0x00}, "hi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(decodeUnicodeText(c.bytes), c.expected);
    }
}

}  // namespace
}  // namespace jet
