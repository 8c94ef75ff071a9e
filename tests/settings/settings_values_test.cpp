// Values that must survive the settings file whole: line breaks and blanks
// in texts, numbers and dates whatever the locale, and a save that fails
// part-way.
#include <gtest/gtest.h>

#include "common/qt_fixture_files.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "settings/settings_file.h"

namespace {

TEST(SettingsValuesTest, TextsWithBreaksTabsAndBlanksComeBackWhole) {
    const QStringList values{"line one\r\nline two", "lone\nfeed", "lone\rreturn",
                             "a\tb", " both ends ", "trailing  ", "x = y", ""};
    QTemporaryDir dir;
    const QString path = dir.filePath("tabulon.ini");
    {
        SettingsFile s(path);
        for (qsizetype i = 0; i < values.size(); ++i)
            s.writeString("Main.mSQL", QString("Item%1").arg(i), values[i]);
        ASSERT_TRUE(s.save());
    }
    // Every value is one line of the file.
    EXPECT_EQ(testing_support::qtFileBytes(path).count('\n'), values.size() + 2);
    const SettingsFile s(path);
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(s.readString("Main.mSQL", QString("Item%1").arg(i)), values[i]) << i;
}

TEST(SettingsValuesTest, FilesOfOlderVersionsReadAsBefore) {
    SettingsFile s;
    s.setLines({"[F]", "Text=a_#9_b", "Plain=no codes here", "Float=1,5", "Date=2024-03-15T08:30:00"});
    EXPECT_EQ(s.readString("F", "Text"), "a\tb");
    EXPECT_EQ(s.readString("F", "Plain"), "no codes here");
    EXPECT_DOUBLE_EQ(s.readFloat("F", "Float", 0), 1.5);
    EXPECT_EQ(s.readDateTime("F", "Date", {}), QDateTime(QDate(2024, 3, 15), QTime(8, 30)));
}

TEST(SettingsValuesTest, NumbersAndDatesDoNotDependOnTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SettingsFile s;
    s.writeFloat("O", "Ratio", 1234.5);
    s.writeFloat("O", "Tiny", -0.000125);
    const QDateTime when(QDate(1999, 12, 31), QTime(23, 59, 58, 250));
    s.writeDateTime("O", "When", when);
    QLocale::setDefault(before);
    EXPECT_EQ(s.readString("O", "Ratio"), "1234.5");
    EXPECT_EQ(s.readString("O", "When"), "1999-12-31T23:59:58.250");
    EXPECT_DOUBLE_EQ(s.readFloat("O", "Tiny", 0), -0.000125);
    EXPECT_EQ(s.readDateTime("O", "When", {}), when);
    EXPECT_DOUBLE_EQ(s.readFloat("O", "Missing", 7.25), 7.25);
    s.writeString("O", "Bad", "not a number");
    EXPECT_DOUBLE_EQ(s.readFloat("O", "Bad", 7.25), 7.25);
}

TEST(SettingsValuesTest, ASaveThatFailsPartWayLeavesTheOldFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tabulon.ini");
    SettingsFile s(path);
    s.writeString("Main_XY", "Left", "10");
    ASSERT_TRUE(s.save());
    const QByteArray old = testing_support::qtFileBytes(path);

    // Enough content for several chunks, and a writer that gives up after
    // the first one.
    for (int i = 0; i < 2000; ++i) s.writeString("Big", QString("Key%1").arg(i), QString(20, 'x'));
    int chunks = 0;
    const bool saved = s.save([&](QIODevice& device, const QByteArray& bytes) -> qint64 {
        if (++chunks > 1) return -1;
        return device.write(bytes);
    });
    EXPECT_FALSE(saved);
    EXPECT_GT(chunks, 1);
    EXPECT_EQ(testing_support::qtFileBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tabulon.ini"});
    // The store kept what it holds, and a later save writes it all.
    ASSERT_TRUE(s.save());
    EXPECT_EQ(SettingsFile(path).readString("Big", "Key1999"), QString(20, 'x'));
}

}  // namespace
