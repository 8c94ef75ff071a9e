#include "app/file_history.h"

#include "kit/xImprovedComps_history.h"

bool FileHistory::add(const QString& text) {
    return kit::addHistoryItem(items_, text.trimmed());
}

bool FileHistory::remove(const QString& text) {
    return kit::removeHistoryItem(items_, text.trimmed());
}
