#pragma once

// The signature check of verifySignature in pieces: the message may arrive in
// any number of pieces (a file read back slice by slice) and is hashed as it
// comes, so it never has to be held whole. verifySignature is built on it, so
// both decide alike for every input.

#include <cstddef>
#include <cstdint>

#include "crypto/blake2b.h"

inline constexpr uint32_t kSignatureBytes = 64;
inline constexpr uint32_t kPublicKeyBytes = 32;

class SignatureCheck {
 public:
  // signature is R || S; both it and publicKey are copied. The hash runs on
  // the given BLAKE2b path (tests try each one).
  SignatureCheck(const uint8_t* signature /* kSignatureBytes */, const uint8_t* publicKey /* kPublicKeyBytes */,
                 Blake2bPath path = bestBlake2bPath());
  SignatureCheck(const SignatureCheck&) = delete;
  SignatureCheck& operator=(const SignatureCheck&) = delete;

  void addMessage(const uint8_t* piece, size_t length);
  // True when the signature is valid for everything added. Call once.
  bool accepts();

 private:
  uint8_t signature_[kSignatureBytes];
  uint8_t publicKey_[kPublicKeyBytes];
  Blake2b hash_;
};
