// Office standard encryption with AES, as a CryptoAPI header describes it:
// every page after the header is AES-ECB encrypted under a key derived from
// the salted, spun SHA-1 of the password and the page's block key.
//
// Access also writes a variant (seen on 2010 files saved with AES but the
// CryptoAPI layout, without the header's AES flag) that skips the 50,000 spin
// rounds; the caller picks the round count from the flags.
#pragma once

#include <array>
#include <memory>

#include "jet/crypt/office_cryptoapi_header.h"
#include "jet/file/page_cipher.h"

namespace jet::office {

inline constexpr uint32_t kStandardAesSpinCount = 50000;

// Checks `password` against the verifier and returns the page cipher; throws
// jet::Error (BadPassword) when it does not fit. `info` must describe AES.
std::unique_ptr<PageCipher> makeStandardAesCipher(const CryptoApiInfo& info,
                                                  std::array<uint8_t, 4> databaseKey,
                                                  Bytes password, uint32_t spinCount);

}  // namespace jet::office
