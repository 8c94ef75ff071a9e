// The file format versions the engine knows, as named by the version byte at
// offset 0x14 of the header page.
#pragma once

#include <cstdint>
#include <string>

namespace jet {

enum class JetVersion : uint8_t {
    Jet3 = 0,   // Access 97, 2 KiB pages, code-page text
    Jet4 = 1,   // Access 2000-2003
    Ace12 = 2,  // Access 2007 (.accdb)
    Ace14 = 3,  // Access 2010
    Ace15 = 4,  // Access 2013
    Ace16 = 5,  // Access 2016
    Ace17 = 6,  // Access 2019 and later
};

inline bool isJet3(JetVersion v) {
    return v == JetVersion::Jet3;
}
inline bool isAce(JetVersion v) {
    return v >= JetVersion::Ace12;
}
inline uint32_t pageSizeOf(JetVersion v) {
    return isJet3(v) ? 2048u : 4096u;
}

// "3.0", "4.0", "12.0", "14.0" — the version text the catalogue reports.
// Every ACE version from 2010 on reports "14.0".
std::string versionText(JetVersion v);
// "Jet 3", "Jet 4", "ACE 12", "ACE 14", "ACE 15", ... — for display and tools.
std::string formatName(JetVersion v);

}  // namespace jet
