// Formats built from what they mean, progress percentages and the column
// list of an export.
#include <gtest/gtest.h>

#include "io/export_columns.h"
#include "io/export_formats.h"
#include "io/export_progress.h"
#include "table_source.h"

namespace {

TEST(ExportFormatsTest, ShortDateFormatFollowsTheLocalesOrder) {
    struct Case {
        QLocale locale;
        QString code;
    };
    for (const Case& c : {Case{QLocale(QLocale::English, QLocale::UnitedStates), "m/d/yy"},
                          Case{QLocale(QLocale::German, QLocale::Germany), "dd.mm.yy"},
                          Case{QLocale(QLocale::English, QLocale::UnitedKingdom), "dd/mm/yyyy"},
                          Case{QLocale(QLocale::Japanese, QLocale::Japan), "yyyy/mm/dd"},
                          Case{QLocale(QLocale::Swedish, QLocale::Sweden), "yyyy-mm-dd"}}) {
        EXPECT_EQ(shortDateFormatCode(c.locale), c.code) << c.locale.name().toStdString();
    }
}

TEST(ExportFormatsTest, DisplayFormatsKeepTheirMeaning) {
    struct Case {
        QString display;
        QString code;
    };
    for (const Case& c : {Case{"dd/mm/yyyy hh:nn", "dd/mm/yyyy hh:mm"}, Case{"h:nn AM/PM", "h:mm AM/PM"},
                          Case{"h:nn am/pm", "h:mm am/pm"}, Case{"hh:nn a/p", "hh:mm a/p"},
                          Case{"mmm d, yyyy", "mmm d, yyyy"}, Case{"d\"nd of\" mmmm", "d\"nd of\" mmmm"},
                          Case{"hh:nn ampm", "hh:mm AM/PM"}}) {
        EXPECT_EQ(dateFormatCodeFromDisplayFormat(c.display), c.code) << c.display.toStdString();
    }
}

TEST(ExportFormatsTest, NumberFormatsAreTheFilesSyntaxWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(numberFormatCode(true, 2), "#,##0.00");
    EXPECT_EQ(numberFormatCode(false, 0), "0");
    EXPECT_EQ(plainNumberText(-1234.5), "-1234.5");
    EXPECT_EQ(plainNumberText(0.1), "0.1");
    QLocale::setDefault(before);
}

TEST(ExportFormatsTest, ProgressRoundsHalvesToEven) {
    EXPECT_EQ(progressPercent(100, 0), 0);
    EXPECT_EQ(progressPercent(1, 200), 0);    // 0.5
    EXPECT_EQ(progressPercent(3, 200), 2);    // 1.5
    EXPECT_EQ(progressPercent(100, 300), 33);
    EXPECT_EQ(progressPercent(200, 300), 67);
    EXPECT_EQ(progressPercent(300, 300), 100);
}

TEST(ExportFormatsTest, ColumnListAdmitsTypesByFlags) {
    using db::DataType;
    io_test::TableSource source({{"T", DataType::Text}, {"M", DataType::Memo}, {"P", DataType::LongBinary},
                                 {"B", DataType::Binary}, {"N", DataType::Numeric}},
                                {});
    EXPECT_EQ(GetFieldList(source, flScalar), (QStringList{"T", "N"}));
    EXPECT_EQ(GetFieldList(source, flScalar | flMemo), (QStringList{"T", "M", "N"}));
    EXPECT_EQ(GetFieldList(source, flPicture | flIndexes), QStringList{"2"});
    EXPECT_EQ(GetFieldList(source, flAllTypes), (QStringList{"T", "M", "P", "B", "N"}));
}

}  // namespace
