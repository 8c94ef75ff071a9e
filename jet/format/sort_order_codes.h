// The per-character codes of Access's General sort orders: for every UTF-16
// code unit, how it takes part in a text index key. The tables are expanded
// from the generated jet/format/sort_order_tables.inc on first use (thread-safe,
// once per sort order) and stay for the life of the process.
//
// Only jet/format/sort_order.cpp needs these; they are separate so the key
// builder reads as the algorithm it is.
#pragma once

#include <cstdint>
#include <span>

namespace jet::sort_order_detail {

// How a character contributes to a key. Values match the generator's stream.
enum class CodeKind : uint8_t {
    Ignored = 0,           // contributes nothing at all
    Simple = 1,            // inline bytes only
    International = 2,     // inline bytes, plus extra bytes (accents, case)
    Unprintable = 3,       // no inline bytes; recorded in the unprintable suffix
    UnprintableExt = 4,    // adds a modifier to the previous extra byte
    InternationalExt = 5,  // inline bytes, optional extra bytes, a "crazy" flag
    Significant = 6,       // General 97: inline bytes; counts toward extra padding
    HighSurrogate = 7,     // computed from the code unit
    LowSurrogate = 8,      // computed from the code unit
};

struct CharCode {
    CodeKind kind = CodeKind::Ignored;
    // Inline bytes (Simple, International, InternationalExt, Significant) or
    // the unprintable bytes (Unprintable).
    std::span<const uint8_t> bytes;
    // Extra bytes (International, InternationalExt); may be empty.
    std::span<const uint8_t> extra;
    // UnprintableExt: the modifier; InternationalExt: the crazy flag (2 or 3).
    uint8_t flag = 0;
};

// Codes of General 2010 and General legacy: defined for every code unit
// (surrogates report their kind; their bytes are computed by the caller).
CharCode general2010Code(char16_t c);
CharCode generalLegacyCode(char16_t c);
// Codes of General 97: code units 0x00-0xFF, a few characters above that
// which Access treats as their Windows-1252 equivalents; all others are
// Ignored.
CharCode general97Code(char16_t c);

}  // namespace jet::sort_order_detail
