// The release tool's signing side reproduces the reference key pairs and
// signatures byte for byte.
#include <gtest/gtest.h>

#include "crypto/signature.h"
#include "eddsa_signing.h"
#include "vector_file.h"

namespace {
std::vector<VectorLine> signingVectors() {
  std::vector<VectorLine> vectors;
  std::string error;
  EXPECT_TRUE(readVectorFile("eddsa-sign.txt", vectors, error)) << error;
  return vectors;
}
}  // namespace

TEST(Signing, PublicKeysFromSeedsMatchTheReference) {
  const std::vector<VectorLine> vectors = signingVectors();
  ASSERT_EQ(vectors.size(), 211u);
  for (const VectorLine& vector : vectors) {
    uint8_t publicKey[kPublicKeyBytes];
    derivePublicKey(publicKey, vector.bytes(0).data());
    EXPECT_EQ(toHex(publicKey, sizeof publicKey), vector.fields[1]) << "line " << vector.lineNumber;
  }
}

TEST(Signing, SignaturesMatchTheReferenceByteForByte) {
  for (const VectorLine& vector : signingVectors()) {
    const std::vector<uint8_t> message = vector.bytes(2);
    uint8_t signature[kSignatureBytes];
    signMessage(signature, vector.bytes(0).data(), message.data(), message.size());
    EXPECT_EQ(toHex(signature, sizeof signature), vector.fields[3]) << "line " << vector.lineNumber;
  }
}

TEST(Signing, LongMessagesSignAndVerify) {
  // Longer than any vector, and not a multiple of the hash block.
  std::vector<uint8_t> message(100003);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 131 + 7);
  uint8_t seed[kSeedBytes];
  for (uint32_t i = 0; i < kSeedBytes; ++i) seed[i] = static_cast<uint8_t>(200 - i);
  uint8_t publicKey[kPublicKeyBytes], signature[kSignatureBytes];
  derivePublicKey(publicKey, seed);
  signMessage(signature, seed, message.data(), message.size());
  EXPECT_TRUE(verifySignature(signature, publicKey, message.data(), static_cast<uint32_t>(message.size())));
  message.back() ^= 1;
  EXPECT_FALSE(verifySignature(signature, publicKey, message.data(), static_cast<uint32_t>(message.size())));
}
