// The SQL-wait cursor of the data surface, shown for the lifetime of a
// WaitCursor while a GUI application runs (and never without one, so the
// logic stays usable from tests and tools).
#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "kit/KelmCompGlobalCfg.h"

namespace db {

class WaitCursor {
public:
    explicit WaitCursor(bool wanted = true)
        : active_(wanted && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (active_) {
            QGuiApplication::setOverrideCursor(
                QCursor(kelmCompConfig().xDBComponentsCfg.RequeryCursorType));
        }
    }
    ~WaitCursor() {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_;
};

}  // namespace db
