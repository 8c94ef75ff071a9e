// Office encryption of .accdb files (ACE 12 and later) protected with a
// database password. Such a file stores a non-zero database key in its header
// page and, further on in the same page, the Office encryption info that says
// how every other page is encrypted. Supported: RC4 CryptoAPI (Access 2007),
// agile AES (Access 2010 and later), and standard AES, including Access's
// variant without hash rounds.
//
// `headerPage` is always page 0 exactly as stored in the file, mask included;
// these functions remove the header mask on a private copy.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "jet/file/jet_version.h"
#include "jet/file/page_cipher.h"

namespace jet {

// True when an ACE header page carries a database key, i.e. its pages are
// Office-encrypted. Always false for Jet 3 and Jet 4, whose encryption is a
// different scheme. Throws jet::Error (Corrupt) when the page is too short.
bool hasOfficeEncryption(std::span<const uint8_t> headerPage, JetVersion version);

// Builds the page cipher for an Office-encrypted file, checking `password`
// (UTF-8) against the file's verifier. The cipher leaves page 0 untouched and
// keeps no mutable state, so one cipher may serve several threads.
//
// Throws jet::Error with code
//  - BadPassword, message "Not a valid password.", when the password is
//    missing or wrong;
//  - Corrupt when the encryption info is truncated or inconsistent;
//  - Unsupported for schemes or algorithms the engine does not implement;
//  - InvalidArgument when the header shows no Office encryption.
std::unique_ptr<PageCipher> makeOfficeCipher(std::span<const uint8_t> headerPage,
                                             JetVersion version, std::string_view password);

}  // namespace jet
