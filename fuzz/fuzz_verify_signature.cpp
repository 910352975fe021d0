// verifySignature on arbitrary signature, key and message bytes: it must
// never read outside them, and must refuse every S that is not below L.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/scalar25519.h"
#include "crypto/signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kSignatureBytes = 64;
  constexpr size_t kPublicKeyBytes = 32;
  if (size < kSignatureBytes + kPublicKeyBytes) return 0;
  // Exact-size copies so that any over-read shows up in AddressSanitizer.
  const std::vector<uint8_t> signature(data, data + kSignatureBytes);
  const std::vector<uint8_t> publicKey(data + kSignatureBytes, data + kSignatureBytes + kPublicKeyBytes);
  const std::vector<uint8_t> message(data + kSignatureBytes + kPublicKeyBytes, data + size);

  const bool accepted = verifySignature(signature.data(), publicKey.data(), message.empty() ? nullptr : message.data(),
                                        static_cast<uint32_t>(message.size()));
  if (accepted && !scalarIsCanonical(signature.data() + 32)) std::abort();
  return 0;
}
