#include "kit/colour_names.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>

namespace kit {
namespace {

constexpr QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

const std::array<NamedColour, 21> kColourNames = {{
    {"Black", "Black", rgb(0, 0, 0)},
    {"Maroon", "Maroon", rgb(128, 0, 0)},
    {"Green", "Green", rgb(0, 128, 0)},
    {"Olive", "Olive", rgb(128, 128, 0)},
    {"Navy", "Navy", rgb(0, 0, 128)},
    {"Purple", "Purple", rgb(128, 0, 128)},
    {"Teal", "Teal", rgb(0, 128, 128)},
    {"Gray", "Gray", rgb(128, 128, 128)},
    {"Silver", "Silver", rgb(192, 192, 192)},
    {"Red", "Red", rgb(255, 0, 0)},
    {"Lime", "Lime", rgb(0, 255, 0)},
    {"Yellow", "Yellow", rgb(255, 255, 0)},
    {"Blue", "Blue", rgb(0, 0, 255)},
    {"Fuchsia", "Fuchsia", rgb(255, 0, 255)},
    {"Aqua", "Aqua", rgb(0, 255, 255)},
    {"White", "White", rgb(255, 255, 255)},
    {"MoneyGreen", "Money Green", rgb(192, 220, 192)},
    {"SkyBlue", "Sky Blue", rgb(166, 202, 240)},
    {"Cream", "Cream", rgb(255, 251, 240)},
    {"MedGray", "Med Gray", rgb(160, 160, 164)},
    {"Custom...", "Custom...", std::nullopt},
}};

// Entries that a colour is written back as; "Custom..." is never a match.
constexpr int kNamedEntries = 20;

struct SystemColour {
    const char* name;
    int index;  // the toolkit's system colour number, stored as $FF0000xx
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colours the program's texts and markup refer to, mapped onto
// the palette roles that play the same part in Qt's styles.
const std::array<SystemColour, 17> kSystemColours = {{
    {"ActiveCaption", 2, QPalette::Active, QPalette::Highlight},
    {"Menu", 4, QPalette::Active, QPalette::Window},
    {"Window", 5, QPalette::Active, QPalette::Base},
    {"WindowFrame", 6, QPalette::Active, QPalette::Shadow},
    {"MenuText", 7, QPalette::Active, QPalette::WindowText},
    {"WindowText", 8, QPalette::Active, QPalette::WindowText},
    {"CaptionText", 9, QPalette::Active, QPalette::HighlightedText},
    {"Highlight", 13, QPalette::Active, QPalette::Highlight},
    {"HighlightText", 14, QPalette::Active, QPalette::HighlightedText},
    {"BtnFace", 15, QPalette::Active, QPalette::Button},
    {"BtnShadow", 16, QPalette::Active, QPalette::Dark},
    {"GrayText", 17, QPalette::Disabled, QPalette::Text},
    {"BtnText", 18, QPalette::Active, QPalette::ButtonText},
    {"BtnHighlight", 20, QPalette::Active, QPalette::Light},
    {"3DDkShadow", 21, QPalette::Active, QPalette::Shadow},
    {"InfoText", 23, QPalette::Active, QPalette::ToolTipText},
    {"InfoBk", 24, QPalette::Active, QPalette::ToolTipBase},
}};

// The hot-light colour has no palette role of its own: it is the link
// colour, which styles keep distinct from the highlight.
constexpr int kHotLightIndex = 26;

QColor fromPalette(QPalette::ColorGroup group, QPalette::ColorRole role) {
    return QGuiApplication::palette().color(group, role);
}

std::optional<QColor> systemColourByIndex(int index) {
    if (index == kHotLightIndex) return fromPalette(QPalette::Active, QPalette::Link);
    for (const SystemColour& entry : kSystemColours) {
        if (entry.index == index) return fromPalette(entry.group, entry.role);
    }
    return std::nullopt;
}

// Stored values put red in the low byte; QColor wants it in the high one.
QColor fromStoredValue(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

std::optional<quint32> parseColourNumber(const QString& text) {
    bool ok = false;
    qlonglong number = 0;
    if (text.startsWith(u'$')) {
        const QString digits = text.mid(1);
        if (digits.isEmpty() || digits.startsWith(u'-') || digits.startsWith(u'+')) {
            return std::nullopt;
        }
        number = digits.toLongLong(&ok, 16);
    } else {
        number = text.toLongLong(&ok, 10);
    }
    if (!ok || number < INT32_MIN || number > UINT32_MAX) return std::nullopt;
    // Negative decimals are the signed spelling of the same 32-bit value.
    return quint32(number);
}

}  // namespace

std::span<const NamedColour> colourNameTable() {
    return kColourNames;
}

std::optional<int> findColourName(const QString& text) {
    for (size_t i = 0; i < kColourNames.size(); ++i) {
        const NamedColour& entry = kColourNames[i];
        if (text.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String(entry.displayName), Qt::CaseInsensitive) == 0) {
            return int(i);
        }
    }
    return std::nullopt;
}

std::optional<QColor> colourFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    if (const std::optional<int> index = findColourName(trimmed)) {
        const std::optional<QRgb> value = kColourNames[size_t(*index)].value;
        if (!value) return std::nullopt;
        return QColor::fromRgb(*value);
    }
    const std::optional<quint32> number = parseColourNumber(trimmed);
    if (!number) return std::nullopt;
    const quint32 high = *number >> 24;
    if (high == 0) return fromStoredValue(*number);
    if (high == 0xFF) return systemColourByIndex(int(*number & 0x00FFFFFF));
    return std::nullopt;
}

QString colourToText(const QColor& colour) {
    if (!colour.isValid()) return QString::fromLatin1(kColourNames.back().name);
    const QRgb value = colour.rgb() & 0x00FFFFFF;
    for (int i = 0; i < kNamedEntries; ++i) {
        if ((*kColourNames[size_t(i)].value & 0x00FFFFFF) == value) {
            return QString::fromLatin1(kColourNames[size_t(i)].name);
        }
    }
    const quint32 stored =
        quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
    return QStringLiteral("$%1").arg(stored, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<QColor> systemColour(const QString& name) {
    if (name.compare(QLatin1String("HotLight"), Qt::CaseInsensitive) == 0) {
        return systemColourByIndex(kHotLightIndex);
    }
    for (const SystemColour& entry : kSystemColours) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) {
            return fromPalette(entry.group, entry.role);
        }
    }
    return std::nullopt;
}

}  // namespace kit
