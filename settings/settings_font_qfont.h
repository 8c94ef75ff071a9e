// StoredFont to and from QFont, for the windowed layers (header only, so
// the settings library itself needs no Qt Gui).
#pragma once

#include <QFont>

#include "settings/settings_font.h"

inline StoredFont storedFontOf(const QFont& font) {
    StoredFont stored;
    stored.name = font.family();
    if (font.pixelSize() > 0) stored.pixelHeight = font.pixelSize();
    stored.pointSize = font.pointSize() > 0 ? font.pointSize() : 0;
    stored.style = (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
                   (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0);
    return stored;
}

// `font` with the stored family, size and style.
inline QFont qFontOf(const StoredFont& stored, QFont font) {
    font.setFamily(stored.name);
    if (stored.pixelHeight > 0)
        font.setPixelSize(stored.pixelHeight);
    else
        font.setPointSize(stored.pointSize);
    font.setBold(stored.style & fsBold);
    font.setItalic(stored.style & fsItalic);
    font.setUnderline(stored.style & fsUnderline);
    font.setStrikeOut(stored.style & fsStrikeOut);
    return font;
}

// The font kept in `section`, else `current` as it is.
inline QFont readQFont(const SettingsFile& settings, const QString& section, const QFont& current) {
    const StoredFont plain = storedFontOf(current);
    const std::optional<StoredFont> stored = readFont(settings, section, plain.style);
    return stored ? qFontOf(*stored, current) : current;
}
