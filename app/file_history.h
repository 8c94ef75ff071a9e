// The history list of the file box: the files opened so far, in the order
// they were first opened. Texts are trimmed of blanks before use and
// compared without regard to letter case; a text of one character or less
// is never added; the list has no length limit and is never reordered.
#pragma once

#include <QStringList>

class FileHistory {
public:
    const QStringList& items() const { return items_; }
    void setItems(const QStringList& items) { items_ = items; }

    // Appends `text`, trimmed, when the rules above allow. Returns whether it
    // was appended.
    bool add(const QString& text);
    // Removes the item equal to `text`, trimmed; nothing when it is absent.
    bool remove(const QString& text);
    void clear() { items_.clear(); }

private:
    QStringList items_;
};
