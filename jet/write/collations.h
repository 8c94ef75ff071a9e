// The collations (sort orders) a new database can be created with, and the
// locale text that names one. A database's collation decides the language id
// stored in its header and in every text column, the code page of Jet 3 text,
// and the order of text in indexes; see COLLATIONS.md for how closely our index
// keys follow each one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "jet/file/header.h"
#include "jet/file/jet_version.h"

namespace jet {

struct Collation {
    uint16_t lcid;      // Windows language id, e.g. 1033 (0x0409)
    uint16_t codePage;  // ANSI code page of the language, e.g. 1252
    const char* name;   // as Access lists it, e.g. "General"
};

// The twenty collations, General (1033) first, then by name.
std::span<const Collation> knownCollations();

bool isKnownCollation(uint16_t lcid);
// Throws jet::Error (InvalidArgument) for a language id that is not one of the
// twenty.
uint16_t collationCodePage(uint16_t lcid);

// What a locale or connect text names: ";LANGID=0x0409;CP=1252;COUNTRY=0",
// possibly with ";pwd=secret". Keys are matched without regard to case,
// parts without "=" and unknown keys are ignored. LANGID is hexadecimal with
// or without "0x" (a decimal number is taken as hexadecimal too, as Access
// writes only the hex form), CP decimal. "pwd=" with nothing after it gives
// an empty password, which callers read as "remove the password"; no pwd part
// gives nullopt. Throws jet::Error (InvalidArgument) for a LANGID or CP that
// is not a number in 0..65535.
struct LocaleSpec {
    std::optional<uint16_t> lcid;
    std::optional<uint16_t> codePage;
    std::optional<std::string> password;
};
LocaleSpec parseLocaleText(std::string_view text);

// ";LANGID=0x0409;CP=1252;COUNTRY=0" for a known collation.
std::string localeText(uint16_t lcid);

// The sort order a new database of version `v` with collation `lcid` stores in
// its header and text columns. Access 2010 and later (ACE 14 on) create the
// current sort order versions (version 1, "General" rather than "General
// legacy"); earlier versions have only version 0. Throws jet::Error
// (InvalidArgument) for an unknown collation.
SortOrder sortOrderFor(JetVersion v, uint16_t lcid);

}  // namespace jet
