// The program's settings file: one INI text file of sections with key=value
// lines, kept in memory while the program runs and rewritten whole on save.
//
// Where it lives: beside the executable ("tabulon.ini") when that folder is
// writable, otherwise $XDG_CONFIG_HOME/tabulon/tabulon.ini (~/.config when
// the variable is unset). Saving writes a temporary file and renames it over
// the old one, so a crash never leaves half a file.
//
// Section and key names are compared without regard to letter case and keep
// the spelling they were first written with. Text values have tab, carriage
// return and line feed written as "_#9_", "_#13_" and "_#10_", so a value
// with line breaks stays one line (files of older versions, which encoded
// only the tab, read as they always did); Booleans are "1" and "0" (any
// non-zero integer reads as true); a string list is "ItemsCount" plus
// "Item0".."Item<n-1>". Floating-point numbers and dates are written in one
// form whatever the locale ("1.5", "2024-03-15T08:30:00.000"); values
// written in a locale's own form by older versions are read as well.
//
// Use from the user-interface thread only.
#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// Writes `bytes` to `device`; returns the bytes written or -1. Saving goes
// through one of these so that a test can make a write fail part-way.
using SettingsChunkWriter = std::function<qint64(QIODevice& device, const QByteArray& bytes)>;

// The settings path for an executable in `appDir`: beside it when
// `appDirWritable`, else below `configHome` (the XDG configuration folder;
// "~/.config" under `homeDir` when empty).
QString settingsPathFor(const QString& appDir, bool appDirWritable, const QString& configHome,
                        const QString& homeDir);
// settingsPathFor for this process.
QString defaultSettingsPath();

class SettingsFile {
public:
    SettingsFile() = default;
    // Loads `path` at once; a missing or unreadable file gives an empty store.
    explicit SettingsFile(QString path);

    const QString& path() const { return path_; }
    void load();
    // Writes the store atomically (creating the folder when needed): the
    // text goes to a temporary file that replaces the old one only when it
    // is complete. Returns false, keeping the store and the old file, when
    // the file cannot be written. `writer` replaces the plain write.
    bool save(const SettingsChunkWriter& writer = {}) const;

    // The whole content as the lines the file holds.
    QStringList lines() const;
    void setLines(const QStringList& lines);

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    void writeInteger(const QString& section, const QString& key, int value);
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    void writeBool(const QString& section, const QString& key, bool value);
    double readFloat(const QString& section, const QString& key, double defaultValue) const;
    void writeFloat(const QString& section, const QString& key, double value);
    // Local date and time; `defaultValue` when absent or unreadable.
    QDateTime readDateTime(const QString& section, const QString& key,
                           const QDateTime& defaultValue) const;
    void writeDateTime(const QString& section, const QString& key, const QDateTime& value);
    // Nothing when "ItemsCount" is absent.
    std::optional<QStringList> readStrings(const QString& section) const;
    void writeStrings(const QString& section, const QStringList& items);

private:
    struct Entry {
        QString key;
        QString value;  // as stored in the file (tabs encoded)
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };

    const Section* findSection(const QString& name) const;
    Section& sectionFor(const QString& name);
    const QString* findRaw(const QString& section, const QString& key) const;
    void writeRaw(const QString& section, const QString& key, const QString& value);

    QString path_;
    std::vector<Section> sections_;
};
