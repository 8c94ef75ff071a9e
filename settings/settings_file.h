// The program's settings file: one INI text file of sections with key=value
// lines, kept in memory while the program runs and rewritten whole on save.
//
// Where it lives: beside the executable ("tabulon.ini") when that folder is
// writable, otherwise $XDG_CONFIG_HOME/tabulon/tabulon.ini (~/.config when
// the variable is unset). Saving writes a temporary file and renames it over
// the old one, so a crash never leaves half a file.
//
// Section and key names are compared without regard to letter case and keep
// the spelling they were first written with. Text values have tab characters
// written as "_#9_"; Booleans are "1" and "0" (any non-zero integer reads as
// true); a string list is "ItemsCount" plus "Item0".."Item<n-1>".
//
// Use from the user-interface thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

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
    // Writes the store atomically (creating the folder when needed). Returns
    // false, keeping the store, when the file cannot be written.
    bool save() const;

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
