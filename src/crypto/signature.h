#pragma once

// The program's signature check: EdDSA over edwards25519 with BLAKE2b-512 as
// the hash and the cofactored equation [8]([S]B - [h]A - R) == neutral. Both
// functions are pure and may run on any thread.

#include <cstdint>

// Decodes exactly 2 * length hexadecimal characters (either case, no prefix,
// no whitespace) into length bytes. On a bad character the bytes before it
// may already be written.
bool decodeHexKey(const char* text, uint8_t* out, uint32_t length);

// True when signature (R || S, 64 bytes) is valid for message under the
// 32-byte publicKey. Non-canonical point encodings and small-order points are
// accepted; S >= L and points off the curve are not. Variable time.
bool verifySignature(const uint8_t* signature, const uint8_t* publicKey, const uint8_t* message, uint32_t length);
