// The header page (page 0) of a new database, the inverse of parseHeader:
// magic, engine name, version, code page, sort order, creation date, the
// legacy header password and the constants Access puts into a fresh file.
// For a password-protected .accdb file, protectAceHeader adds the database
// key and the agile encryption descriptor and hands back the cipher for
// every later page.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "jet/crypt/office_agile_writer.h"
#include "jet/file/header.h"
#include "jet/file/jet_version.h"
#include "jet/file/page_cipher.h"
#include "jet/write/page_sink.h"

namespace jet {

struct NewHeader {
    JetVersion version = JetVersion::Jet4;  // Jet3, Jet4, Ace12, Ace14 are what we create
    SortOrder sortOrder;  // lcid + version (General legacy 0 / General 1 for ACE 14)
    uint16_t codePage = 1252;
    double creationDate = 0;  // Access day number; also the Jet 4 password mask
    std::string password;     // UTF-8; "" = none
    // Build number of the engine that made the file, stored after the
    // password. 0 writes what the current Access engine writes
    // (kDefaultEngineBuild); a copy of an existing file may keep its own.
    uint16_t engineBuild = 0;
};

// The build number Access 2007 and later (and their DAO engine) store in
// the headers of .mdb and .accdb files they create, and the one Jet 3.5
// stores in Access 97 files.
inline constexpr uint16_t kDefaultEngineBuild = 0x11a6;
inline constexpr uint16_t kDefaultJet3EngineBuild = 0x251e;

// Access refuses longer database passwords, in .mdb and .accdb files alike.
inline constexpr size_t kMaxPasswordLength = 20;

// The raw page 0 (pageSizeOf(version) bytes) as Access writes it for a new
// database, mask applied: ready to be written as it is. Jet 3 keeps the
// password as code-page bytes, Jet 4 as UTF-16 masked with the creation
// date; an .accdb password is not stored here (see protectAceHeader).
// Throws jet::Error(InvalidArgument): "Not a valid password." for a
// password longer than kMaxPasswordLength characters, containing a NUL,
// not valid UTF-8 or (Jet 3) not representable in the code page; another
// message for a version this engine does not create.
PageBytes buildHeaderPage(const NewHeader& h);

// Makes `header` (from buildHeaderPage, ACE only) the header of a file
// encrypted as Access 2010 and later encrypt .accdb files with a password:
// a random database key, the agile descriptor with fresh random salts and
// keys, AES-128/SHA-1 as Access writes it. Returns the cipher the file's
// PageSink must apply to pages 1..n. Throws jet::Error(InvalidArgument) for
// a Jet 3 / Jet 4 header, an empty password or one Access refuses.
std::unique_ptr<PageCipher> protectAceHeader(PageBytes& header, const std::string& password);

// The same with every input given: the database key (not all zero) and the
// descriptor's secrets. Lets a test rebuild an Access-made header exactly.
std::unique_ptr<PageCipher> protectAceHeader(PageBytes& header, const std::string& password,
                                             std::array<uint8_t, 4> databaseKey,
                                             const office::AgileParameters& parameters,
                                             const office::AgileSecrets& secrets);

}  // namespace jet
