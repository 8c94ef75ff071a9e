// Colours written as text: the program's colour-name table and the rules for
// reading and writing colour texts. Every place that stores a colour as text,
// offers a list of named colours or reads a colour from markup uses these
// routines, so a colour written by one of them is read back by all others.
//
// Numeric colour texts keep the byte order of the settings files the program
// has always written: the low byte is red, then green, then blue ("$000000FF"
// is red). A value whose high byte is 0xFF names a system colour by its
// index (as "$FF00000F" for the button face), resolved against the
// application's palette when it is read.
#pragma once

#include <QColor>
#include <QString>
#include <optional>
#include <span>

namespace kit {

struct NamedColour {
    const char* name;           // stored and compared: "MoneyGreen"
    const char* displayName;    // shown to the user, also accepted: "Money Green"
    std::optional<QRgb> value;  // none for the "Custom..." entry
};

// The 21 entries in their fixed order: 16 basic colours (0..15), four extra
// colours (16..19) and "Custom..." (20), which stands for no colour.
std::span<const NamedColour> colourNameTable();

// Index of the first table entry whose name or display name equals `text`
// without regard to letter case; nullopt when none does.
std::optional<int> findColourName(const QString& text);

// Reads a colour text: a table name or display name (any letter case), or an
// integer, decimal or hexadecimal after "$". Leading and trailing blanks are
// ignored. "Custom...", unknown names, malformed numbers and numbers that are
// neither an RGB value nor a known system colour give nullopt.
std::optional<QColor> colourFromText(const QString& text);

// Writes a colour as its table name when one of entries 0..19 has exactly
// its RGB value, otherwise as "$" and eight hexadecimal digits (upper case).
// An invalid colour is written as "Custom...".
QString colourToText(const QColor& colour);

// The toolkit's system colours by name, without the "cl" prefix ("BtnFace",
// "Highlight", "HotLight", ...), compared without regard to letter case and
// resolved against the application's palette. nullopt for unknown names.
std::optional<QColor> systemColour(const QString& name);

}  // namespace kit
