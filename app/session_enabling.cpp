#include "app/session_enabling.h"

ActionEnabling actionEnabling(const SessionFlags& flags) {
    const bool open = flags.opened;
    const bool table = open && flags.tableSelected;
    const bool view = open && flags.viewSelected;

    ActionEnabling e;
    e.actDBOpen = !open;
    e.actDBClose = open;
    e.actDBManage = open;

    e.actTableRename = table;
    e.actTableDel = table;
    e.gbTables = table;
    e.lblTableData = table;
    e.actTableAdd = open;
    e.actTableReload = open;
    e.actTableStore = open && (flags.tableChanged || flags.idxChanged);

    e.actViewRename = view;
    e.actViewDel = view;
    e.actViewSQL = view;
    e.mView = view;
    e.lblViewData = view;
    e.actViewAdd = open;
    e.actViewStore = open && flags.viewChanged;

    e.sgRel = open;
    e.btRelDel = open;
    e.actRelStore = open && flags.relChanged;

    e.actStructRefresh = open;
    e.actStructExport = open;
    e.actStructEditSel = open;
    e.actStructReloadData = open && flags.treeNodeSelected;
    return e;
}
