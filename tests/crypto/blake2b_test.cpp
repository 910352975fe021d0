#include "crypto/blake2b.h"

#include <gtest/gtest.h>

#include "vector_file.h"

using norvane::crypto::Blake2b;
using norvane::crypto::blake2b512;
using norvane::crypto::Blake2bDigestBytes;

namespace {

std::vector<VectorLine> loadDigestVectors() {
  std::vector<VectorLine> vectors;
  std::string error;
  EXPECT_TRUE(readVectorFile("blake2b.txt", vectors, error)) << error;
  return vectors;
}

std::string digestHex(const std::vector<uint8_t>& message) {
  uint8_t digest[Blake2bDigestBytes];
  blake2b512(message.data(), message.size(), digest);
  return toHex(digest, sizeof digest);
}

}  // namespace

TEST(Blake2b, EveryReferenceDigestMatches) {
  const std::vector<VectorLine> vectors = loadDigestVectors();
  ASSERT_EQ(vectors.size(), 265u);
  for (const VectorLine& vector : vectors) {
    ASSERT_EQ(vector.fields.size(), 2u);
    EXPECT_EQ(digestHex(vector.bytes(0)), vector.fields[1]) << "line " << vector.lineNumber;
  }
}

// The last block is compressed with the final flag, so a full block held back
// in the buffer must not be compressed before more input arrives.
TEST(Blake2b, PiecewiseInputGivesTheSameDigest) {
  const std::vector<VectorLine> vectors = loadDigestVectors();
  const size_t pieceSizes[] = {1, 7, 127, 128, 129, 1000};
  int checked = 0;
  for (const VectorLine& vector : vectors) {
    const std::vector<uint8_t> message = vector.bytes(0);
    if (message.size() != 256 && message.size() != 257 && message.size() != 4096 && message.size() != 65537) continue;
    for (size_t pieceSize : pieceSizes) {
      Blake2b hash;
      for (size_t offset = 0; offset < message.size(); offset += pieceSize) {
        hash.update(message.data() + offset, std::min(pieceSize, message.size() - offset));
      }
      uint8_t digest[Blake2bDigestBytes];
      hash.finish(digest);
      EXPECT_EQ(toHex(digest, sizeof digest), vector.fields[1]) << message.size() << " bytes in pieces of " << pieceSize;
    }
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}
