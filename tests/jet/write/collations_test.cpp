// The collations a database can be created with, the locale text that names
// them, and the sort order each version stores for them.
#include "jet/write/collations.h"

#include <gtest/gtest.h>

#include <set>

#include "jet/error.h"

using namespace jet;

namespace {

std::string show(const LocaleSpec& s) {
    auto num = [](const std::optional<uint16_t>& n) {
        return n ? std::to_string(*n) : std::string("-");
    };
    return "lcid " + num(s.lcid) + " cp " + num(s.codePage) + " pwd " +
           (s.password ? "'" + *s.password + "'" : std::string("-"));
}

TEST(Collations, LocaleTextsParse) {
    struct Case {
        const char* text;
        const char* parsed;
    };
    const Case cases[] = {
        {";LANGID=0x0409;CP=1252;COUNTRY=0", "lcid 1033 cp 1252 pwd -"},
        {";LANGID=0x040D;CP=1255;COUNTRY=0", "lcid 1037 cp 1255 pwd -"},
        {";langid=0x0804;cp=936;country=0", "lcid 2052 cp 936 pwd -"},
        {";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=secret", "lcid 1033 cp 1252 pwd 'secret'"},
        {";PWD=with space ", "lcid - cp - pwd 'with space '"},
        {";pwd=", "lcid - cp - pwd ''"},
        {"LANGID=041f", "lcid 1055 cp - pwd -"},
        {"", "lcid - cp - pwd -"},
        {";;COUNTRY=0;JUNK;Other=1", "lcid - cp - pwd -"},
        {"; LANGID = 0x0419 ;CP= 1251", "lcid 1049 cp 1251 pwd -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(show(parseLocaleText(c.text)), c.parsed);
    }
}

TEST(Collations, BadNumbersInLocaleTextAreRefused) {
    for (const char* text :
         {";LANGID=0xZZ", ";LANGID=", ";CP=12a", ";CP=70000", ";LANGID=0x10000"}) {
        SCOPED_TRACE(text);
        try {
            parseLocaleText(text);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
            EXPECT_NE(std::string(e.what()).find("is not valid"), std::string::npos) << e.what();
        }
    }
}

TEST(Collations, TheTwentyCollationsAndTheirCodePages) {
    struct Case {
        uint16_t lcid, codePage;
        const char* locale;
    };
    const Case cases[] = {
        {1033, 1252, ";LANGID=0x0409;CP=1252;COUNTRY=0"},
        {1025, 1256, ";LANGID=0x0401;CP=1256;COUNTRY=0"},
        {1029, 1250, ";LANGID=0x0405;CP=1250;COUNTRY=0"},
        {1043, 1252, ";LANGID=0x0413;CP=1252;COUNTRY=0"},
        {1032, 1253, ";LANGID=0x0408;CP=1253;COUNTRY=0"},
        {1037, 1255, ";LANGID=0x040D;CP=1255;COUNTRY=0"},
        {1038, 1250, ";LANGID=0x040E;CP=1250;COUNTRY=0"},
        {1039, 1252, ";LANGID=0x040F;CP=1252;COUNTRY=0"},
        {1041, 932, ";LANGID=0x0411;CP=932;COUNTRY=0"},
        {1042, 949, ";LANGID=0x0412;CP=949;COUNTRY=0"},
        {1030, 1252, ";LANGID=0x0406;CP=1252;COUNTRY=0"},
        {1045, 1250, ";LANGID=0x0415;CP=1250;COUNTRY=0"},
        {1049, 1251, ";LANGID=0x0419;CP=1251;COUNTRY=0"},
        {2052, 936, ";LANGID=0x0804;CP=936;COUNTRY=0"},
        {1060, 1250, ";LANGID=0x0424;CP=1250;COUNTRY=0"},
        {1034, 1252, ";LANGID=0x040A;CP=1252;COUNTRY=0"},
        {1053, 1252, ";LANGID=0x041D;CP=1252;COUNTRY=0"},
        {1054, 874, ";LANGID=0x041E;CP=874;COUNTRY=0"},
        {1028, 950, ";LANGID=0x0404;CP=950;COUNTRY=0"},
        {1055, 1254, ";LANGID=0x041F;CP=1254;COUNTRY=0"},
    };
    std::set<uint16_t> listed;
    for (const Collation& c : knownCollations()) listed.insert(c.lcid);
    EXPECT_EQ(listed.size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lcid);
        EXPECT_TRUE(isKnownCollation(c.lcid));
        EXPECT_TRUE(listed.count(c.lcid));
        EXPECT_EQ(collationCodePage(c.lcid), c.codePage);
        EXPECT_EQ(localeText(c.lcid), c.locale);
        LocaleSpec back = parseLocaleText(c.locale);
        EXPECT_EQ(back.lcid, c.lcid);
        EXPECT_EQ(back.codePage, c.codePage);
    }
    for (uint16_t unknown : {0, 1031, 1036, 3082, 0xFFFF}) {
        SCOPED_TRACE(unknown);
        EXPECT_FALSE(isKnownCollation(unknown));
        EXPECT_THROW(collationCodePage(unknown), Error);
        EXPECT_THROW(sortOrderFor(JetVersion::Jet4, unknown), Error);
    }
}

TEST(Collations, SortOrderVersionFollowsTheFileVersion) {
    // As the Access-made empty databases store it: "General legacy" (0) up to
    // Access 2007, "General" (1) from Access 2010 on.
    struct Case {
        JetVersion v;
        uint16_t lcid;
        SortOrder expected;
    };
    const Case cases[] = {
        {JetVersion::Jet3, 1033, {1033, 0}},  {JetVersion::Jet4, 1033, {1033, 0}},
        {JetVersion::Ace12, 1033, {1033, 0}}, {JetVersion::Ace14, 1033, {1033, 1}},
        {JetVersion::Ace16, 1033, {1033, 1}}, {JetVersion::Jet4, 1049, {1049, 0}},
        {JetVersion::Ace14, 1053, {1053, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(formatName(c.v) + " " + std::to_string(c.lcid));
        EXPECT_EQ(sortOrderFor(c.v, c.lcid), c.expected);
    }
}

}  // namespace
