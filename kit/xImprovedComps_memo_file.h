// Reading and writing the text of a memo as a file ("Load from file...",
// "Save to file..."). Reading takes UTF-8, UTF-16 and UTF-32 files with a
// byte-order mark, UTF-8 without one and, when the bytes are not UTF-8, the
// Windows Western code page the program's older files are written in; line
// ends become "\n". Writing is UTF-8 without a byte-order mark, and replaces
// the file only once the whole text is written.
#pragma once

#include <QString>
#include <optional>
#include <variant>

namespace kit {

// A file larger than this is refused rather than loaded into a memo.
inline constexpr qint64 kMemoFileMaxBytes = 64 * 1024 * 1024;

struct MemoFileError {
    QString message;  // for the user, e.g. 'Cannot open file "a.txt". No such file'
};

// The text of the file, or why it could not be read.
std::variant<QString, MemoFileError> readMemoFile(const QString& path);
// Writes `text`; nothing on success.
std::optional<MemoFileError> writeMemoFile(const QString& path, const QString& text);

// The text of file bytes as readMemoFile decodes them.
QString decodeMemoText(const QByteArray& bytes);

}  // namespace kit
