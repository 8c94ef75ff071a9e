// The enabling rules of the main window's commands, one row per state.
#include "app/session_enabling.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

namespace {

// The names of the enabled entries, in declaration order.
QStringList enabled(const ActionEnabling& e) {
    QStringList names;
    const auto add = [&names](bool on, const char* name) {
        if (on) names << name;
    };
    add(e.actDBOpen, "actDBOpen");
    add(e.actDBClose, "actDBClose");
    add(e.actDBManage, "actDBManage");
    add(e.actTableRename, "actTableRename");
    add(e.actTableAdd, "actTableAdd");
    add(e.actTableDel, "actTableDel");
    add(e.actTableStore, "actTableStore");
    add(e.actTableReload, "actTableReload");
    add(e.actViewRename, "actViewRename");
    add(e.actViewAdd, "actViewAdd");
    add(e.actViewDel, "actViewDel");
    add(e.actViewStore, "actViewStore");
    add(e.actViewSQL, "actViewSQL");
    add(e.actRelStore, "actRelStore");
    add(e.actStructRefresh, "actStructRefresh");
    add(e.actStructExport, "actStructExport");
    add(e.actStructEditSel, "actStructEditSel");
    add(e.actStructReloadData, "actStructReloadData");
    add(e.gbTables, "gbTables");
    add(e.lblTableData, "lblTableData");
    add(e.mView, "mView");
    add(e.lblViewData, "lblViewData");
    add(e.sgRel, "sgRel");
    add(e.btRelDel, "btRelDel");
    return names;
}

const QStringList kOpenBase = {
    "actDBClose",       "actDBManage",     "actTableAdd",      "actTableReload", "actViewAdd",
    "actStructRefresh", "actStructExport", "actStructEditSel", "sgRel",          "btRelDel"};

QStringList openWith(QStringList extra) {
    QStringList all = kOpenBase + extra;
    all.sort();
    return all;
}

TEST(SessionEnablingTest, Rules) {
    struct Case {
        const char* name;
        SessionFlags flags;
        QStringList expected;
    };
    const Case cases[] = {
        {"closed", {}, {"actDBOpen"}},
        {"closed ignores changes and selections",
         {false, true, true, true, true, true, true, true},
         {"actDBOpen"}},
        {"open, nothing selected", {.opened = true}, openWith({})},
        {"table selected",
         {.opened = true, .tableSelected = true},
         openWith({"actTableRename", "actTableDel", "gbTables", "lblTableData"})},
        {"field changes", {.opened = true, .tableChanged = true}, openWith({"actTableStore"})},
        {"index changes", {.opened = true, .idxChanged = true}, openWith({"actTableStore"})},
        {"view selected",
         {.opened = true, .viewSelected = true},
         openWith({"actViewRename", "actViewDel", "actViewSQL", "mView", "lblViewData"})},
        {"view changes", {.opened = true, .viewChanged = true}, openWith({"actViewStore"})},
        {"relation changes", {.opened = true, .relChanged = true}, openWith({"actRelStore"})},
        {"tree node selected",
         {.opened = true, .treeNodeSelected = true},
         openWith({"actStructReloadData"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList got = enabled(actionEnabling(c.flags));
        got.sort();
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
