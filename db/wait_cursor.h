// The SQL-wait cursor of the data surface (the shape the shared
// configuration names), shown through the installed user feedback for the
// lifetime of a WaitCursor.
#pragma once

#include "config/KelmCompGlobalCfg.h"
#include "db/user_feedback.h"

namespace db {

class WaitCursor : public BusyCursor {
public:
    explicit WaitCursor(bool wanted = true)
        : BusyCursor(kelmCompConfig().xDBComponentsCfg.RequeryCursorType, wanted) {}
};

}  // namespace db
