// Office agile encryption (version 4.4), used by Access 2010 and later for
// databases with a password. The encryption info holds an XML descriptor:
// the password, salted and spun, unlocks a random intermediate key, and every
// page after the header is encrypted with that key and an IV derived from the
// page's block key. Only password key encryptors with AES are supported.
#pragma once

#include <array>
#include <memory>

#include "jet/crypt/office_primitives.h"
#include "jet/file/page_cipher.h"

namespace jet::office {

// Agile descriptors may ask for any spin count; beyond this the header is
// treated as damaged rather than letting a hostile file stall the engine.
inline constexpr uint32_t kMaxAgileSpinCount = 10'000'000;

// `afterVersion` is the encryption info after its version numbers (the
// reserved word, then the XML). Throws jet::Error: Corrupt for a damaged
// descriptor, Unsupported for algorithms or key encryptors the engine does
// not run, BadPassword when `password` does not fit.
std::unique_ptr<PageCipher> makeAgileCipher(Bytes afterVersion, std::array<uint8_t, 4> databaseKey,
                                            Bytes password);

}  // namespace jet::office
