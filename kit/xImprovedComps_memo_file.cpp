#include "kit/xImprovedComps_memo_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace kit {
namespace {

MemoFileError openError(const QString& path, const QString& reason) {
    return {QStringLiteral("Cannot open file \"%1\". %2").arg(QFileInfo(path).fileName(), reason)};
}

MemoFileError createError(const QString& path, const QString& reason) {
    return {
        QStringLiteral("Cannot create file \"%1\". %2").arg(QFileInfo(path).fileName(), reason)};
}

MemoFileError tooLargeError(const QString& path) {
    return openError(
        path,
        QStringLiteral("The file is larger than %1 MB.").arg(kMemoFileMaxBytes / (1024 * 1024)));
}

QString decodeWithoutMark(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    // Qt knows the Windows code pages only when it is built with ICU; the
    // first 256 code points are then the closest there is.
    QStringDecoder windows("windows-1252");
    if (windows.isValid()) return windows.decode(bytes);
    return QString::fromLatin1(bytes);
}

}  // namespace

QString decodeMemoText(const QByteArray& bytes) {
    QString text;
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*marked);  // drops the mark
        text = decoder.decode(bytes);
    } else {
        text = decodeWithoutMark(bytes);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

std::variant<QString, MemoFileError> readMemoFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return openError(path, file.errorString());
    if (file.size() > kMemoFileMaxBytes) return tooLargeError(path);
    // The size a file reports may be wrong (pipes, files still growing).
    const QByteArray bytes = file.read(kMemoFileMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) return openError(path, file.errorString());
    if (bytes.size() > kMemoFileMaxBytes) return tooLargeError(path);
    return decodeMemoText(bytes);
}

std::optional<MemoFileError> writeMemoFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return createError(path, file.errorString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return createError(path, file.errorString());
    return std::nullopt;
}

}  // namespace kit
