#include "io/export_output.h"

#include <QFile>
#include <QStringDecoder>

namespace {

constexpr qsizetype kFlushAt = 1 << 16;

QStringConverter::Encoding converterFor(TTextEncoding encoding) {
    switch (encoding) {
        case teUtf16Bom: return QStringConverter::Utf16LE;
        case teLatin1: return QStringConverter::Latin1;
        default: return QStringConverter::Utf8;
    }
}

QByteArray markOf(TTextEncoding encoding) {
    if (encoding == teUtf8Bom) return QByteArray("\xEF\xBB\xBF", 3);
    if (encoding == teUtf16Bom) return QByteArray("\xFF\xFE", 2);
    return {};
}

}  // namespace

TTextEncoding encodingOfMark(const QByteArray& head, TTextEncoding fallback) {
    if (head.startsWith("\xEF\xBB\xBF")) return teUtf8Bom;
    if (head.startsWith("\xFF\xFE")) return teUtf16Bom;
    return fallback;
}

QStringList readTextLines(const QString& path, TTextEncoding fallback, bool* ok) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok) *ok = false;
        return {};
    }
    QByteArray bytes = file.readAll();
    const TTextEncoding encoding = encodingOfMark(bytes, fallback);
    bytes.remove(0, markOf(encoding).size());
    QStringDecoder decoder(converterFor(encoding));
    QString text = decoder.decode(bytes);
    if (ok) *ok = true;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

ExportOutput::ExportOutput(const QString& path, TTextEncoding encoding)
    : file_(path), encoding_(encoding), encoder_(converterFor(encoding)) {}

ExportOutput::~ExportOutput() {
    if (file_.isOpen()) file_.cancelWriting();
}

bool ExportOutput::open() {
    if (!file_.open(QIODevice::WriteOnly)) {
        error_ = file_.errorString();
        return false;
    }
    buffer_ = markOf(encoding_);
    return true;
}

void ExportOutput::writeLine(const QString& line) {
    buffer_ += encoder_.encode(line);
    buffer_ += "\r\n";
    if (buffer_.size() >= kFlushAt) flush();
}

void ExportOutput::flush() {
    if (failed_ || buffer_.isEmpty()) return;
    if (file_.write(buffer_) != buffer_.size()) {
        failed_ = true;
        error_ = file_.errorString();
    }
    buffer_.clear();
}

bool ExportOutput::commit() {
    flush();
    if (!failed_ && encoder_.hasError()) {
        // A character the encoding cannot hold would reach the file as "?".
        failed_ = true;
        error_ = QStringLiteral("The data holds characters that the chosen encoding cannot hold.");
    }
    if (failed_) {
        file_.cancelWriting();
        return false;
    }
    if (!file_.commit()) {
        error_ = file_.errorString();
        return false;
    }
    return true;
}
