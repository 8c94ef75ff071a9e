// Grid layouts in the settings file: columns saved and read back after a
// restart, the order they give a grid with new columns, and the design
// lists erased whole.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "settings/grid_layout_store.h"

namespace {

QStringList named(const QStringList& present, const std::vector<int>& order) {
    QStringList out;
    for (int i : order) out << present[i];
    return out;
}

TEST(GridLayoutStoreTest, ColumnsSurviveARestart) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tabulon.ini");
    {
        SettingsFile file(path);
        saveGridColumns(file, "DataForm.grData", {{"Name", 120, true}, {"Hidden", 80, false}, {"Qty", 40, true}});
        file.writeString("Main_XY", "Left", "12");
        file.writeStrings("Main.cbFile", {"/a.mdb", "/b.accdb"});
        ASSERT_TRUE(file.save());
    }
    const SettingsFile file(path);
    const std::vector<SavedGridColumn> read =
        readGridColumns(file, "dataform.GRDATA", {{"Hidden", 55, true}});
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].fieldName, "Name");
    EXPECT_EQ(read[0].width, 120);
    // An invisible column's width is not kept: the grid's present one stays.
    EXPECT_EQ(read[1].width, 55);
    EXPECT_FALSE(read[1].visible);
    EXPECT_EQ(read[2].fieldName, "Qty");
    EXPECT_EQ(file.readString("Main_XY", "Left"), "12");
    EXPECT_EQ(file.readStrings("Main.cbFile"), (QStringList{"/a.mdb", "/b.accdb"}));
    EXPECT_TRUE(readGridColumns(file, "Other.grid").empty());
}

TEST(GridLayoutStoreTest, SavedOrderAroundNewColumns) {
    struct Case {
        QStringList present, saved, expected;
    };
    for (const Case& c : {Case{{"A", "B", "C"}, {"C", "A", "B"}, {"C", "A", "B"}},
                          Case{{"A", "B", "N", "C"}, {"C", "A", "B"}, {"C", "A", "N", "B"}},
                          Case{{"N", "A", "B"}, {"B", "A"}, {"N", "B", "A"}},
                          Case{{"A", "B"}, {"Gone", "B", "A"}, {"B", "A"}},
                          Case{{"A", "B"}, {}, {"A", "B"}},
                          Case{{}, {"A"}, {}}}) {
        EXPECT_EQ(named(c.present, restoredColumnOrder(c.present, c.saved)), c.expected)
            << c.present.join(",").toStdString() << " / " << c.saved.join(",").toStdString();
    }
}

TEST(GridLayoutStoreTest, DeleteErasesEveryDesignList) {
    SettingsFile file;
    ASSERT_EQ(gridDesignListSuffixes().size(), 21);
    for (const QString& suffix : gridDesignListSuffixes())
        file.writeStrings("Main.grData" + suffix, {"Field"});
    file.writeStrings("Main.grDataKeep", {"x"});
    eraseGridDesignLists(file, "Main.grData");
    for (const QString& suffix : gridDesignListSuffixes())
        EXPECT_FALSE(file.sectionExists("Main.grData" + suffix)) << suffix.toStdString();
    EXPECT_TRUE(file.sectionExists("Main.grDataKeep"));
}

}  // namespace
