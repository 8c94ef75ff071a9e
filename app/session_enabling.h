// Which commands and controls of the main window are enabled, worked out
// from the session's state alone so that the rules can be checked without a
// window. TMain::ActListUpdate applies the result to its actions and to the
// controls that exist.
#pragma once

struct SessionFlags {
    bool opened = false;
    bool tableChanged = false;
    bool idxChanged = false;
    bool viewChanged = false;
    bool relChanged = false;
    bool tableSelected = false;     // a table is selected in cbTables
    bool viewSelected = false;      // a view is selected in cbViews
    bool treeNodeSelected = false;  // a node of the structure tree is selected
};

struct ActionEnabling {
    bool actDBOpen = false;
    bool actDBClose = false;
    bool actDBManage = false;
    bool actTableRename = false;
    bool actTableAdd = false;
    bool actTableDel = false;
    bool actTableStore = false;
    bool actTableReload = false;
    bool actViewRename = false;
    bool actViewAdd = false;
    bool actViewDel = false;
    bool actViewStore = false;
    bool actViewSQL = false;
    bool actRelStore = false;
    bool actStructRefresh = false;
    bool actStructExport = false;
    bool actStructEditSel = false;
    bool actStructReloadData = false;
    // Controls that follow the same rules.
    bool gbTables = false;
    bool lblTableData = false;
    bool mView = false;
    bool lblViewData = false;
    bool sgRel = false;
    bool btRelDel = false;

    bool operator==(const ActionEnabling&) const = default;
};

ActionEnabling actionEnabling(const SessionFlags& flags);
