// Fonts in the settings file: the keys as they are stored, sizes that do not
// drift over repeated saves and loads, and the reading rules (the height
// wins over the size, a missing style keeps the given one).
#include "settings/settings_font.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "settings/settings_file.h"

namespace {

TEST(SettingsFontTest, SizesComeBackUnchangedAfterManySaves) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tabulon.ini");
    for (const StoredFont& start :
         {StoredFont{"Courier New", 12, 0, fsBold}, StoredFont{"Tahoma", 0, 8, 0},
          StoredFont{"Arial", 0, 11, fsItalic | fsUnderline}}) {
        StoredFont font = start;
        for (int round = 0; round < 5; ++round) {
            SettingsFile s(path);
            s.load();
            writeFont(s, "DlgGenSQL.mSQL", font);
            ASSERT_TRUE(s.save());
            SettingsFile again(path);
            again.load();
            const std::optional<StoredFont> read = readFont(again, "DlgGenSQL.mSQL");
            ASSERT_TRUE(read);
            font = *read;
        }
        EXPECT_EQ(font.name, start.name);
        EXPECT_EQ(font.style, start.style);
        // Written in points, it comes back as its height in pixels at 96 dpi.
        EXPECT_EQ(font.pixelHeight, start.pixelHeight
                                        ? start.pixelHeight
                                        : int(std::lround(start.pointSize * 4.0 / 3.0)));
    }
}

TEST(SettingsFontTest, KeysAndReadingRules) {
    SettingsFile s;
    writeFont(s, "S", StoredFont{"Courier New", 12, 0, fsBold | fsStrikeOut});
    EXPECT_EQ(s.readInteger("S", "FontHeight", 0), -12);
    EXPECT_EQ(s.readInteger("S", "FontSize", 0), 9);
    EXPECT_EQ(s.readInteger("S", "FontStyle", 0), 9);
    EXPECT_EQ(s.readString("S", "FontName"), "Courier New");
    EXPECT_EQ(s.readInteger("S", "FontCharset", 0), 1);

    // An older file with a size only, and without a style.
    SettingsFile old;
    old.writeString("T", "FontName", "Tahoma");
    old.writeInteger("T", "FontSize", 10);
    const std::optional<StoredFont> read = readFont(old, "T", fsItalic);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->pixelHeight, 0);
    EXPECT_EQ(read->pointSize, 10);
    EXPECT_EQ(read->style, fsItalic);

    deleteFont(s, "S");
    EXPECT_FALSE(readFont(s, "S"));
    EXPECT_FALSE(readFont(s, "Nowhere"));
}

}  // namespace
