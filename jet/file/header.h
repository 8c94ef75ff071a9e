// The database header page (page 0): format version, engine name, code page,
// sort order, creation date, database password and page-encryption key.
// Part of the page is masked with a fixed RC4 key; parseHeader removes the
// mask itself.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/file/jet_version.h"

namespace jet {

// A text sort order: the language id and, for Access 2010 and later, the
// version that tells "General" (1) from "General legacy" (0).
struct SortOrder {
    uint16_t lcid = 0x0409;
    uint8_t version = 0;
    bool operator==(const SortOrder&) const = default;
};

struct DatabaseHeader {
    JetVersion version = JetVersion::Jet4;
    std::string engineName;    // "Standard Jet DB" / "Standard ACE DB"
    uint16_t codePage = 1252;  // for Jet 3 text; informational later on
    uint32_t encodingKey = 0;  // nonzero when pages are encrypted
    SortOrder sortOrder;
    double creationDate = 0;  // Jet 4 and later; also the password mask
    std::string password;     // the header password (Jet 3 / Jet 4), UTF-8, "" if none
    uint32_t pageSize = 4096;
};

// Parses a raw header page as read from disk. Throws jet::Error
// (UnrecognizedFormat, "Unrecognized database format '<path>'.") when the bytes
// are not an Access header.
DatabaseHeader parseHeader(std::span<const uint8_t> rawPage, const std::string& path);

// "General legacy" / "General" / "Jet 3 General" style name of the sort order
// for the tools; the application maps ids to its own collation table.
std::string sortOrderName(const SortOrder& s, JetVersion v);

}  // namespace jet
