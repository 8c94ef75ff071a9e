#include "settings/settings_font.h"

#include <cmath>

#include "settings/settings_file.h"

namespace {

const QString kCharset = QStringLiteral("FontCharset");
const QString kColor = QStringLiteral("FontColor");
const QString kName = QStringLiteral("FontName");
const QString kHeight = QStringLiteral("FontHeight");
const QString kSize = QStringLiteral("FontSize");
const QString kStyle = QStringLiteral("FontStyle");

}  // namespace

void writeFont(SettingsFile& settings, const QString& section, const StoredFont& font) {
    const int points =
        font.pixelHeight > 0 ? int(std::lround(font.pixelHeight * 72.0 / 96.0)) : font.pointSize;
    const int pixels =
        font.pixelHeight > 0 ? font.pixelHeight : int(std::lround(font.pointSize * 96.0 / 72.0));
    settings.writeInteger(section, kCharset, font.charset);
    settings.writeInteger(section, kColor, font.color);
    settings.writeString(section, kName, font.name);
    settings.writeInteger(section, kHeight, -pixels);
    settings.writeInteger(section, kSize, points);
    settings.writeInteger(section, kStyle, font.style);
}

std::optional<StoredFont> readFont(const SettingsFile& settings, const QString& section,
                                   int defaultStyle) {
    StoredFont font;
    font.name = settings.readString(section, kName);
    if (font.name.isEmpty()) return std::nullopt;
    font.charset = settings.readInteger(section, kCharset, font.charset);
    font.color = settings.readInteger(section, kColor, font.color);
    const int height = settings.readInteger(section, kHeight, 0);
    font.pointSize = settings.readInteger(section, kSize, 0);
    font.pixelHeight = std::abs(height);
    font.style = settings.readInteger(section, kStyle, defaultStyle);
    if (font.pixelHeight == 0 && font.pointSize <= 0) return std::nullopt;
    return font;
}

void deleteFont(SettingsFile& settings, const QString& section) {
    for (const QString& key : {kCharset, kColor, kName, kHeight, kSize, kStyle})
        settings.deleteKey(section, key);
}
