// Office RC4 CryptoAPI encryption, used by Access 2007 (ACE 12) for databases
// with a password: every page after the header is RC4-encrypted with a key
// derived from SHA-1 of the salted password and the page's block key.
#pragma once

#include <array>
#include <memory>

#include "jet/crypt/office_cryptoapi_header.h"
#include "jet/file/page_cipher.h"

namespace jet::office {

// Checks `password` against the verifier and returns the page cipher; throws
// jet::Error (BadPassword) when it does not fit. `info` must describe RC4.
std::unique_ptr<PageCipher> makeRc4CryptoApiCipher(const CryptoApiInfo& info,
                                                   std::array<uint8_t, 4> databaseKey,
                                                   Bytes password);

}  // namespace jet::office
