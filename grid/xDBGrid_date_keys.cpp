#include "grid/xDBGrid_date_keys.h"

std::optional<QString> DateKeyText(const QString& editorText, int key,
                                   Qt::KeyboardModifiers modifiers, const QString& keyText,
                                   const QDate& today) {
    const QDate cell =
        QDate::fromString(editorText.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    std::optional<QDate> date;
    if (mods & Qt::ControlModifier) {
        const bool up = key == Qt::Key_Up;
        if ((up || key == Qt::Key_Down) && cell.isValid()) {
            const int step = up ? 1 : -1;
            date = (mods & Qt::ShiftModifier) ? cell.addMonths(step) : cell.addDays(step);
        }
    } else if (keyText.size() == 1) {
        const QChar c = keyText.at(0).toUpper();
        const QDate month = cell.isValid() ? cell : today;
        if (c == u'*' || c == u';' || c == u'T') date = today;
        if (c == u'S') date = QDate(month.year(), month.month(), 1);
        if (c == u'E') date = QDate(month.year(), month.month(), month.daysInMonth());
    }
    if (!date || !date->isValid()) return std::nullopt;
    return date->toString(QStringLiteral("yyyy-MM-dd"));
}
