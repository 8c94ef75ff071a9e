#include "io/export_progress.h"

#include <cmath>

QString exportingMessage() {
    return QStringLiteral("Exporting") + QStringLiteral(" of data...");
}

int progressPercent(size_t recIdx, size_t recCount) {
    if (recCount == 0) return 0;
    // std::nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int>(
        std::nearbyint(static_cast<double>(recIdx) * 100.0 / static_cast<double>(recCount)));
}

void ExportProgress::start() {
    bool abort = false;
    if (handler_) handler_(psStarting, 0, exportingMessage(), abort);
}

bool ExportProgress::step(size_t recIdx) {
    if (!handler_ || recCount_ == 0 || recIdx % 100 != 0) return true;
    bool abort = false;
    handler_(psRunning, progressPercent(recIdx, recCount_), exportingMessage(), abort);
    return !abort;
}

void ExportProgress::end() {
    bool abort = false;
    if (handler_) handler_(psEnding, 100, QString(), abort);
}
