// The constant tables of the catalogue engine and their lookups: versions,
// collations, field types, and the small text helpers.
#include <gtest/gtest.h>

#include "db/xdbtool_MDB.h"

namespace {

TEST(XdbtoolLookups, VersionRowsByKeyAndName) {
    struct Case {
        int key;
        const char* name;
        const char* ext;
    };
    for (Case c :
         {Case{32, "Version 3.0 (MDB)", ".mdb"}, Case{64, "Version 4.0 (MDB)", ".mdb"},
          Case{128, "Version 12.0 (ACCDB)", ".accdb"}, Case{256, "Version 14.0 (ACCDB)", ".accdb"},
          Case{0, "", ""}, Case{16, "", ""}, Case{-1, "", ""}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(DBVersionName(c.key), c.name);
        EXPECT_EQ(DBVersionExt(c.key), c.ext);
    }
    struct NameCase {
        const char* name;
        int key;
    };
    for (NameCase c :
         {NameCase{"Version 4.0 (MDB)", 64}, NameCase{"version 12.0 (accdb)", 128},
          NameCase{"VERSION 14.0 (ACCDB)", 256}, NameCase{"Version 4.0", -1}, NameCase{"", -1}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DBVersionFromName(c.name), c.key);
    }
}

TEST(XdbtoolLookups, VersionTextFindsTheFirstDescriptionContainingIt) {
    struct Case {
        const char* text;
        int key;
    };
    for (Case c : {Case{"3.0", 32}, Case{"4.0", 64}, Case{"12.0", 128}, Case{"14.0", 256},
                   Case{"15.0", -1}, Case{"MDB", 32}, Case{"mdb", -1}, Case{"ACCDB", 128}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DBVersionFromVersionText(c.text), c.key);
    }
}

TEST(XdbtoolLookups, CollationRows) {
    struct Case {
        int id;
        const char* name;
        const char* locale;
    };
    for (Case c :
         {Case{1033, "General (English, French, German ...)", ";LANGID=0x0409;CP=1252;COUNTRY=0"},
          Case{1037, "Hebrew", ";LANGID=0x040D;CP=1255;COUNTRY=0"},
          Case{2052, "Simplified Chinese", ";LANGID=0x0804;CP=936;COUNTRY=0"},
          Case{1055, "Turkish", ";LANGID=0x041F;CP=1254;COUNTRY=0"},
          Case{1054, "Thai", ";LANGID=0x041E;CP=874;COUNTRY=0"}, Case{0, "", ""},
          Case{1031, "", ""}}) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(CollationName(c.id), c.name);
        EXPECT_EQ(CollationLocale(c.id), c.locale);
    }
    EXPECT_EQ(CollationFromName("norwegian AND danish"), 1030);
    EXPECT_EQ(CollationFromName("General (English, French, German ...)"), 1033);
    EXPECT_EQ(CollationFromName("General"), -1);
}

TEST(XdbtoolLookups, FieldTypesShowBothPartsButChooseOnlyTheMainPart) {
    struct Case {
        int code;
        const char* name;
    };
    for (Case c : {Case{10, "Text"}, Case{12, "Memo"}, Case{16, "BigInt"}, Case{15, "GUID"},
                   Case{18, "Char"}, Case{17, "VarBinary"}, Case{101, "Attachment"},
                   Case{109, "ComplexText"}, Case{0, ""}, Case{13, ""}, Case{110, ""}}) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(FieldTypeName(c.code), c.name);
    }
    struct NameCase {
        const char* name;
        int code;
    };
    for (NameCase c : {NameCase{"text", 10}, NameCase{"LONGBINARY", 11}, NameCase{"Guid", 15},
                       NameCase{"Attachment", -1}, NameCase{"Decimal", -1}, NameCase{"Char", -1},
                       NameCase{" Text", -1}, NameCase{"", -1}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FieldTypeFromName(c.name), c.code);
    }
}

TEST(XdbtoolLookups, FillRoutinesReplaceTheListInTableOrder) {
    QStringList list{"left over"};
    FillDBVersions(list);
    EXPECT_EQ(list, QStringList({"Version 3.0 (MDB)", "Version 4.0 (MDB)", "Version 12.0 (ACCDB)",
                                 "Version 14.0 (ACCDB)"}));

    FillCollations(list);
    ASSERT_EQ(list.size(), 20);
    EXPECT_EQ(list.front(), "General (English, French, German ...)");
    EXPECT_EQ(list[10], "Norwegian and Danish");
    EXPECT_EQ(list.back(), "Turkish");
    for (const QString& name : list) EXPECT_NE(CollationFromName(name), -1) << name.toStdString();

    FillFieldTypes(list);
    EXPECT_EQ(list, QStringList({"Text", "Memo", "Boolean", "Byte", "Integer", "BigInt", "Long",
                                 "Currency", "Single", "Double", "Date", "Binary", "LongBinary",
                                 "GUID"}));
}

TEST(XdbtoolLookups, AddToListJoinsWithSemicolons) {
    struct Case {
        const char* text;
        const char* item;
        const char* result;
    };
    for (Case c : {Case{"", "B", "B"}, Case{"A", "B", "A;B"}, Case{"A;B", "C", "A;B;C"},
                   Case{"A", "", "A;"}, Case{"", "", ""}}) {
        QString text = c.text;
        AddToList(text, c.item);
        EXPECT_EQ(text, c.result) << c.text << " + " << c.item;
    }
}

}  // namespace
