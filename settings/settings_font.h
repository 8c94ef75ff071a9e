// Fonts in the settings file: the keys "FontCharset", "FontColor",
// "FontName", "FontHeight", "FontSize" and "FontStyle" of a section (style
// bits: 1 bold, 2 italic, 4 underline, 8 strike-out).
//
// Sizes are stored as they are, unscaled, so a font does not drift by a
// rounding on every save and load: "FontHeight" is the character height in
// pixels written as a negative number, "FontSize" the size in points (at 96
// pixels an inch when the font was given in pixels). On reading,
// "FontHeight" wins over "FontSize"; a missing "FontStyle" keeps the style
// given as the default.
#pragma once

#include <QString>
#include <optional>

class SettingsFile;

struct StoredFont {
    QString name;
    int pixelHeight = 0;  // 0: the font is given in points
    int pointSize = 0;
    int style = 0;
    int charset = 1;               // the default character set
    int color = int(0x80000008u);  // the system's window text colour
};

enum StoredFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

void writeFont(SettingsFile& settings, const QString& section, const StoredFont& font);
// Nothing when the section holds no font name.
std::optional<StoredFont> readFont(const SettingsFile& settings, const QString& section,
                                   int defaultStyle = 0);
void deleteFont(SettingsFile& settings, const QString& section);
