#include "grid/xDBGrid_cell_text.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageReader>
#include <QLocale>
#include <QtEndian>

#include "db/query_value.h"
#include "db/xDBComponents_UDB_query.h"
#include "db/xdbtool_dataset.h"

QString GridDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString DateTimeDisplayText(const QVariant& dateTime) {
    const QDateTime stamp = dateTime.toDateTime();
    if (!stamp.isValid()) return {};
    QString text = QLocale().toString(stamp.date(), GridDateFormat());
    if (stamp.time() != QTime(0, 0)) text += u' ' + stamp.time().toString(QStringLiteral("HH:mm:ss"));
    return text;
}

namespace {

struct Picture {
    const char* format;
    qsizetype offset;
};

// Where a known picture starts: at the beginning, or after the OLE wrapper
// Access puts around pictures (searched in the first 4 KiB).
Picture findPicture(const QByteArray& data) {
    const qsizetype limit = std::min<qsizetype>(data.size(), 4096);
    for (qsizetype i = 0; i + 4 <= limit; ++i) {
        const char* p = data.constData() + i;
        if (p[0] == '\x89' && p[1] == 'P' && p[2] == 'N' && p[3] == 'G') return {"PNG", i};
        if (p[0] == '\xFF' && p[1] == '\xD8' && p[2] == '\xFF') return {"JPG", i};
        if (p[0] == 'B' && p[1] == 'M' && i + 14 <= data.size()) {
            // A bitmap file header's size field points inside the data.
            const quint32 size = qFromLittleEndian<quint32>(p + 2);
            if (size > 14 && size <= quint32(data.size() - i + 64)) return {"BMP", i};
        }
        if (i >= 40 && p[0] == ' ' && p[1] == 'E' && p[2] == 'M' && p[3] == 'F') return {"EMF", i - 40};
    }
    return {"Other", -1};
}

}  // namespace

QString PictureDescription(const QByteArray& data) {
    if (data.isEmpty()) return QStringLiteral("(empty)");
    const Picture picture = findPicture(data);
    if (picture.offset < 0) return QStringLiteral("Other");
    if (QLatin1StringView(picture.format) == QLatin1StringView("EMF")) {
        // The EMF header's bounds (left, top, right, bottom) in device units.
        const char* h = data.constData() + picture.offset;
        if (data.size() - picture.offset < 24) return QStringLiteral("(corrupted)");
        const qint32 w = qFromLittleEndian<qint32>(h + 16) - qFromLittleEndian<qint32>(h + 8) + 1;
        const qint32 ht = qFromLittleEndian<qint32>(h + 20) - qFromLittleEndian<qint32>(h + 12) + 1;
        return QStringLiteral("EMF: %1 x %2").arg(w).arg(ht);
    }
    QByteArray bytes = data.mid(picture.offset);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid()) return QStringLiteral("(corrupted)");
    return QStringLiteral("%1: %2 x %3").arg(QLatin1StringView(picture.format)).arg(size.width()).arg(size.height());
}

QString CellDisplayText(const TQueryField& field, const db::Value& value, bool pictureField) {
    if (pictureField) {
        if (value.isNull()) return QStringLiteral("(empty)");
        return PictureDescription(db::valueToVariant(value).toByteArray());
    }
    if (value.isNull()) return {};
    switch (field.DataType()) {
    case db::DataType::DateTime:
    case db::DataType::ExtDateTime: return DateTimeDisplayText(db::valueToVariant(value));
    case db::DataType::Boolean: {
        const QString text = GetBoolFieldText(field, db::valueToVariant(value).toBool());
        return text.isEmpty() ? db::valueToText(value) : text;
    }
    default: return db::valueToText(value);
    }
}
