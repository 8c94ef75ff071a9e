#include "io/text_separator.h"

QString ExportSeparatorFromText(const QString& text) {
    if (text.isEmpty()) return text;
    if (text.startsWith(u'#')) {
        bool ok = false;
        const int code = text.mid(1, 3).trimmed().toInt(&ok);
        if (ok && code >= 1 && code <= 255) return QString(QChar(code));
    }
    if (text.size() > 8) return text.left(1);
    return text;
}
