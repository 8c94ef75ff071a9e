#include "kit/xImprovedComps_history.h"

#include <algorithm>

namespace kit {

QString historyText(const QString& text, const QString& boxText) {
    return (text.isEmpty() ? boxText : text).trimmed();
}

bool addHistoryItem(QStringList& items, const QString& text) {
    if (text.size() <= 1 || items.contains(text, Qt::CaseInsensitive)) return false;
    items << text;
    return true;
}

bool removeHistoryItem(QStringList& items, const QString& text) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].compare(text, Qt::CaseInsensitive) == 0) {
            items.removeAt(i);
            return true;
        }
    }
    return false;
}

int dropDownWidth(int widestItem, int scrollBarWidth, int itemCount, int visibleItems, int boxWidth,
                  int maxWidth) {
    int width = widestItem;
    if (itemCount > visibleItems) width += scrollBarWidth;
    return std::max(boxWidth, std::min(width, maxWidth));
}

}  // namespace kit
