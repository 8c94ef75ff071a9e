#include "db/connection_string.h"

#include <QFileInfo>

#include "jet/error.h"

namespace db {
namespace {

[[noreturn]] void throwFormatError() {
    throw jet::Error(jet::ErrorCode::Syntax,
                     "Format of the initialization string does not conform to the OLE DB "
                     "specification.");
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Reads one value starting at `pos` (just after "="), leaves `pos` on the ";"
// that ends it or at the end of the text.
QString readValue(const QString& text, qsizetype& pos) {
    const qsizetype n = text.size();
    while (pos < n && isBlank(text[pos])) ++pos;
    if (pos < n && (text[pos] == u'"' || text[pos] == u'\'')) {
        const QChar quote = text[pos++];
        QString value;
        for (;;) {
            if (pos >= n) throwFormatError();
            if (text[pos] == quote) {
                if (pos + 1 < n && text[pos + 1] == quote) {
                    value += quote;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value += text[pos++];
        }
        while (pos < n && isBlank(text[pos])) ++pos;
        if (pos < n && text[pos] != u';') throwFormatError();
        return value;
    }
    const qsizetype start = pos;
    while (pos < n && text[pos] != u';') ++pos;
    return text.mid(start, pos - start).trimmed();
}

QString lastValue(const QList<ConnectionPart>& parts, const QString& key, bool* found) {
    QString value;
    *found = false;
    for (const auto& p : parts) {
        if (p.key.compare(key, Qt::CaseInsensitive) == 0) {
            value = p.value;
            *found = true;
        }
    }
    return value;
}

}  // namespace

QList<ConnectionPart> splitConnectionString(const QString& text) {
    QList<ConnectionPart> parts;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        if (text[pos] == u';' || isBlank(text[pos])) {
            ++pos;
            continue;
        }
        const qsizetype eq = text.indexOf(u'=', pos);
        const qsizetype semicolon = text.indexOf(u';', pos);
        if (eq < 0 || (semicolon >= 0 && semicolon < eq)) throwFormatError();
        ConnectionPart part;
        part.key = text.mid(pos, eq - pos).trimmed();
        if (part.key.isEmpty()) throwFormatError();
        pos = eq + 1;
        part.value = readValue(text, pos);
        parts.append(part);
    }
    return parts;
}

AccessConnection parseAccessConnection(const QString& text) {
    const QList<ConnectionPart> parts = splitConnectionString(text);
    bool found = false;
    AccessConnection c;
    const QString provider = lastValue(parts, QStringLiteral("Provider"), &found);
    if (provider.compare(kJetProvider, Qt::CaseInsensitive) == 0) {
        c.provider = kJetProvider;
    } else if (provider.compare(kAceProvider, Qt::CaseInsensitive) == 0) {
        c.provider = kAceProvider;
    } else {
        throw jet::Error(jet::ErrorCode::NotFound,
                         "Provider cannot be found. It may not be properly installed.");
    }
    c.dataSource = lastValue(parts, kDataSourceKey, &found);
    c.password = lastValue(parts, kPasswordKey, &found);
    return c;
}

QString quoteConnectionValue(const QString& value) {
    const bool needsQuotes =
        value.contains(u';') || value.contains(u'"') ||
        (!value.isEmpty() &&
         (value.front() == u'\'' || isBlank(value.front()) || isBlank(value.back())));
    if (!needsQuotes) return value;
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString buildAccessConnectionString(const QString& provider, const QString& path,
                                    const QString& password) {
    QString s = QStringLiteral("Provider=") + provider + u';' + kDataSourceKey + u'=' +
                quoteConnectionValue(path);
    if (!password.isEmpty()) s += u';' + kPasswordKey + u'=' + quoteConnectionValue(password);
    return s;
}

QString providerForFile(const QString& path, bool useJetForMdb) {
    const bool mdb =
        QFileInfo(path).suffix().compare(QStringLiteral("mdb"), Qt::CaseInsensitive) == 0;
    return useJetForMdb && mdb ? kJetProvider : kAceProvider;
}

}  // namespace db
