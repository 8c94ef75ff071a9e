// The settings file: where it lives, what its lines look like, and that a
// save replaces the file whole.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(SettingsFileTest, PathBesideTheProgramOrInTheConfigFolder) {
    struct Case {
        bool writable;
        QString configHome;
        QString expected;
    };
    for (const Case& c : {Case{true, "/cfg", "/Opt/App/tabulon.ini"},
                          Case{false, "/cfg", "/cfg/tabulon/tabulon.ini"},
                          Case{false, "", "/home/u/.config/tabulon/tabulon.ini"}}) {
        EXPECT_EQ(settingsPathFor("/Opt/App", c.writable, c.configHome, "/home/u"), c.expected);
    }
}

TEST(SettingsFileTest, RoundTripThroughTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/tabulon.ini");
    {
        SettingsFile s(path);
        s.writeInteger("Main_XY", "Left", -12);
        s.writeBool("Main.chLoadData", "State", true);
        s.writeString("Main.cbFile", "Text", "a\tb = c");
        s.writeStrings("Main.cbFile", {"/x.mdb", "/y.accdb"});
        s.writeString("main_xy", "LEFT", "40");  // same key, other case
        ASSERT_TRUE(s.save());
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              "[Main_XY]\nLeft=40\n\n[Main.chLoadData]\nState=1\n\n"
              "[Main.cbFile]\nText=a_#9_b = c\nItemsCount=2\nItem0=/x.mdb\nItem1=/y.accdb\n\n");
    EXPECT_EQ(QDir(dir.filePath("sub")).entryList(QDir::Files), QStringList{"tabulon.ini"});

    const SettingsFile s(path);
    EXPECT_EQ(s.readInteger("MAIN_XY", "left", 0), 40);
    EXPECT_TRUE(s.readBool("Main.chLoadData", "State", false));
    EXPECT_EQ(s.readString("Main.cbFile", "Text"), "a\tb = c");
    EXPECT_EQ(s.readStrings("Main.cbFile"), (QStringList{"/x.mdb", "/y.accdb"}));
    EXPECT_EQ(s.readStrings("Main.pc"), std::nullopt);
    EXPECT_EQ(s.readInteger("Main.pc", "ItemIndex", 3), 3);
}

TEST(SettingsFileTest, DamagedLinesReadAsDefaults) {
    SettingsFile s;
    s.setLines(
        {"orphan=1", "[A]", "Count=x", "ItemsCount=2000000000", "Item0=only", "[B", "flag=7"});
    EXPECT_FALSE(s.valueExists("A", "orphan"));
    EXPECT_EQ(s.readInteger("A", "Count", 5), 5);
    // A huge count yields no more items than the section holds.
    const std::optional<QStringList> items = s.readStrings("A");
    ASSERT_TRUE(items.has_value());
    EXPECT_LE(items->size(), 5);
    EXPECT_EQ(items->value(0), "only");
    EXPECT_FALSE(s.sectionExists("B"));
}

TEST(SettingsFileTest, UnwritableFileKeepsTheStore) {
    SettingsFile s("/proc/tabulon-test/tabulon.ini");
    s.writeInteger("A", "B", 1);
    EXPECT_FALSE(s.save());
    EXPECT_EQ(s.readInteger("A", "B", 0), 1);
}

}  // namespace
