// The small XML and base64 readers behind the agile encryption descriptor.
#include "jet/crypt/office_xml.h"

#include <gtest/gtest.h>

#include "jet/error.h"

namespace jet::office {
namespace {

std::string hexOf(const ByteVector& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 0xf];
    }
    return out;
}

TEST(OfficeXmlTest, Base64) {
    struct Case {
        const char* text;
        const char* hex;  // nullptr: must be refused
    };
    const Case cases[] = {
        {"", ""},
        {"QQ==", "41"},
        {"QUI=", "4142"},
        {"QUJD", "414243"},
        {"QUJD\r\nREVG", "414243444546"},
        {"/+8=", "ffef"},
        {"QQ", nullptr},        // missing padding
        {"Q===", nullptr},      // too much padding
        {"QQ==QQ==", nullptr},  // data after padding
        {"QU!D", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.hex) {
            EXPECT_EQ(hexOf(decodeBase64(c.text, "value")), c.hex);
        } else {
            EXPECT_THROW(decodeBase64(c.text, "value"), Error);
        }
    }
}

TEST(OfficeXmlTest, ElementsAndAttributes) {
    const auto elements = readXmlElements(
        "<?xml version=\"1.0\"?>\r\n<!-- a <comment> -->"
        "<root xmlns:p='urn:x'><p:item a=\"1 &amp; 2\" b='&lt;&#65;&#x42;&gt;'/>"
        "<empty/></root>");
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].localName, "root");
    EXPECT_EQ(elements[1].localName, "item");
    EXPECT_EQ(elements[1].attribute("a"), "1 & 2");
    EXPECT_EQ(elements[1].attribute("b"), "<AB>");
    EXPECT_FALSE(elements[1].attribute("c"));
    EXPECT_EQ(elements[2].localName, "empty");
    EXPECT_TRUE(elements[2].attributes.empty());
}

TEST(OfficeXmlTest, MalformedXmlIsCorrupt) {
    for (const char* xml : {"<a b=\"1\"", "<a b=\"1", "<a b>", "<a b=1>", "<a/ >", "<!-- x", "<? x",
                            "<a b=\"&bogus;\"/>", "<a b=\"&#0;\"/>", "<>"}) {
        SCOPED_TRACE(xml);
        try {
            readXmlElements(xml);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Corrupt);
        }
    }
}

}  // namespace
}  // namespace jet::office
