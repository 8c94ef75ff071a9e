#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>

namespace {

const QString kTabCode = QStringLiteral("_#9_");
const QString kCrCode = QStringLiteral("_#13_");
const QString kLfCode = QStringLiteral("_#10_");
const QString kDateTimeForm = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
constexpr qsizetype kChunk = 4096;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString settingsPathFor(const QString& appDir, bool appDirWritable, const QString& configHome,
                        const QString& homeDir) {
    if (appDirWritable) return QDir(appDir).filePath(QStringLiteral("tabulon.ini"));
    const QString base =
        configHome.isEmpty() ? QDir(homeDir).filePath(QStringLiteral(".config")) : configHome;
    return QDir(base).filePath(QStringLiteral("tabulon/tabulon.ini"));
}

QString defaultSettingsPath() {
    const QString appDir = QCoreApplication::applicationDirPath();
    return settingsPathFor(appDir, QFileInfo(appDir).isWritable(),
                           qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
}

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {
    load();
}

void SettingsFile::load() {
    sections_.clear();
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
    QStringList content;
    QTextStream in(&file);
    while (!in.atEnd()) content << in.readLine();
    setLines(content);
}

bool SettingsFile::save(const SettingsChunkWriter& writer) const {
    if (path_.isEmpty()) return false;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    const QByteArray text = (lines().join(u'\n') + u'\n').toUtf8();
    for (qsizetype at = 0; at < text.size(); at += kChunk) {
        const QByteArray chunk = text.mid(at, kChunk);
        const qint64 written = writer ? writer(file, chunk) : file.write(chunk);
        if (written != chunk.size()) {
            file.cancelWriting();  // the old file stays as it was
            return false;
        }
    }
    return file.commit();
}

QStringList SettingsFile::lines() const {
    QStringList out;
    for (const Section& section : sections_) {
        out << u'[' + section.name + u']';
        for (const Entry& entry : section.entries) out << entry.key + u'=' + entry.value;
        out << QString();
    }
    return out;
}

void SettingsFile::setLines(const QStringList& content) {
    sections_.clear();
    std::optional<QString> current;
    for (const QString& raw : content) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = sectionFor(line.mid(1, line.size() - 2)).name;
            continue;
        }
        if (!current) continue;  // a key before any section belongs nowhere
        // The value is taken from the line as written: blanks at its end
        // belong to it.
        const qsizetype eq = raw.indexOf(u'=');
        const QString key = eq < 0 ? line : raw.left(eq).trimmed();
        QString value = eq < 0 ? QString() : raw.mid(eq + 1);
        if (value.endsWith(u'\r')) value.chop(1);
        writeRaw(*current, key, value);
    }
}

const SettingsFile::Section* SettingsFile::findSection(const QString& name) const {
    for (const Section& section : sections_)
        if (sameName(section.name, name)) return &section;
    return nullptr;
}

SettingsFile::Section& SettingsFile::sectionFor(const QString& name) {
    for (Section& section : sections_)
        if (sameName(section.name, name)) return section;
    sections_.push_back(Section{name, {}});
    return sections_.back();
}

const QString* SettingsFile::findRaw(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    if (!s) return nullptr;
    for (const Entry& entry : s->entries)
        if (sameName(entry.key, key)) return &entry.value;
    return nullptr;
}

void SettingsFile::writeRaw(const QString& section, const QString& key, const QString& value) {
    Section& s = sectionFor(section);
    for (Entry& entry : s.entries) {
        if (sameName(entry.key, key)) {
            entry.value = value;
            return;
        }
    }
    s.entries.push_back(Entry{key, value});
}

bool SettingsFile::sectionExists(const QString& section) const {
    return findSection(section) != nullptr;
}

bool SettingsFile::valueExists(const QString& section, const QString& key) const {
    return findRaw(section, key) != nullptr;
}

void SettingsFile::eraseSection(const QString& section) {
    std::erase_if(sections_, [&](const Section& s) { return sameName(s.name, section); });
}

void SettingsFile::deleteKey(const QString& section, const QString& key) {
    for (Section& s : sections_) {
        if (sameName(s.name, section))
            std::erase_if(s.entries, [&](const Entry& e) { return sameName(e.key, key); });
    }
}

QString SettingsFile::readString(const QString& section, const QString& key,
                                 const QString& defaultValue) const {
    const QString* raw = findRaw(section, key);
    if (!raw) return defaultValue;
    QString value = *raw;
    return value.replace(kTabCode, QStringLiteral("\t"))
        .replace(kCrCode, QStringLiteral("\r"))
        .replace(kLfCode, QStringLiteral("\n"));
}

void SettingsFile::writeString(const QString& section, const QString& key, const QString& value) {
    QString stored = value;
    // A line break would end the entry in the file: both are written as
    // codes, like the tab.
    stored.replace(u'\t', kTabCode).replace(u'\r', kCrCode).replace(u'\n', kLfCode);
    writeRaw(section, key, stored);
}

double SettingsFile::readFloat(const QString& section, const QString& key,
                               double defaultValue) const {
    const QString* raw = findRaw(section, key);
    if (!raw) return defaultValue;
    const QString text = raw->trimmed();
    bool ok = false;
    double value = QLocale::c().toDouble(text, &ok);
    // Older versions wrote the user's locale form ("1,5", "1.234,5").
    if (!ok) value = QLocale::system().toDouble(text, &ok);
    if (!ok) value = QLocale::c().toDouble(QString(text).replace(u',', u'.'), &ok);
    return ok ? value : defaultValue;
}

void SettingsFile::writeFloat(const QString& section, const QString& key, double value) {
    writeRaw(section, key, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

QDateTime SettingsFile::readDateTime(const QString& section, const QString& key,
                                     const QDateTime& defaultValue) const {
    const QString* raw = findRaw(section, key);
    if (!raw) return defaultValue;
    const QString text = raw->trimmed();
    QDateTime value = QDateTime::fromString(text, kDateTimeForm);
    if (!value.isValid()) value = QDateTime::fromString(text, Qt::ISODate);
    // Older versions wrote the user's locale form.
    const QLocale locale = QLocale::system();
    for (auto form : {QLocale::ShortFormat, QLocale::LongFormat}) {
        if (!value.isValid()) value = locale.toDateTime(text, form);
        if (!value.isValid()) value = QDateTime(locale.toDate(text, form), QTime(0, 0));
    }
    return value.isValid() ? value : defaultValue;
}

void SettingsFile::writeDateTime(const QString& section, const QString& key,
                                 const QDateTime& value) {
    writeRaw(section, key, value.toString(kDateTimeForm));
}

int SettingsFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const QString* raw = findRaw(section, key);
    if (!raw) return defaultValue;
    bool ok = false;
    const int value = raw->trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

void SettingsFile::writeInteger(const QString& section, const QString& key, int value) {
    writeRaw(section, key, QString::number(value));
}

bool SettingsFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void SettingsFile::writeBool(const QString& section, const QString& key, bool value) {
    writeInteger(section, key, value ? 1 : 0);
}

std::optional<QStringList> SettingsFile::readStrings(const QString& section) const {
    if (!valueExists(section, QStringLiteral("ItemsCount"))) return std::nullopt;
    // A damaged count never asks for more items than the section can hold.
    const int stored = int(findSection(section)->entries.size());
    const int count = std::clamp(readInteger(section, QStringLiteral("ItemsCount"), 0), 0, stored);
    QStringList items;
    for (int i = 0; i < count; ++i) items << readString(section, QStringLiteral("Item%1").arg(i));
    return items;
}

void SettingsFile::writeStrings(const QString& section, const QStringList& items) {
    writeInteger(section, QStringLiteral("ItemsCount"), int(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        writeString(section, QStringLiteral("Item%1").arg(i), items[i]);
}
