// The reference vectors: every verdict of the check file, and every signature
// of the signing file.
#include <gtest/gtest.h>

#include <map>

#include "crypto/signature.h"
#include "crypto/signature_check.h"
#include "vector_file.h"

namespace {

std::vector<VectorLine> load(const char* name) {
  std::vector<VectorLine> vectors;
  std::string error;
  EXPECT_TRUE(readVectorFile(name, vectors, error)) << error;
  return vectors;
}

bool verifyFields(const std::vector<uint8_t>& publicKey, const std::vector<uint8_t>& message,
                  const std::vector<uint8_t>& signature) {
  return verifySignature(signature.data(), publicKey.data(), message.data(), static_cast<uint32_t>(message.size()));
}

// The same check fed in uneven pieces, as a file read back slice by slice.
bool verifyInPieces(const std::vector<uint8_t>& publicKey, const std::vector<uint8_t>& message,
                    const std::vector<uint8_t>& signature, Blake2bPath path) {
  SignatureCheck check(signature.data(), publicKey.data(), path);
  for (size_t offset = 0, piece = 1; offset < message.size(); offset += piece, piece = piece * 3 + 1) {
    check.addMessage(message.data() + offset, std::min(piece, message.size() - offset));
  }
  return check.accepts();
}

}  // namespace

TEST(SignatureVectors, EveryCheckVerdictMatchesTheReference) {
  const std::vector<VectorLine> vectors = load("eddsa-check.txt");
  ASSERT_EQ(vectors.size(), 448u);
  std::map<std::string, int> accepted;
  for (const VectorLine& vector : vectors) {
    ASSERT_EQ(vector.fields.size(), 4u);
    const bool expected = vector.fields[3] == "1";
    const bool actual = verifyFields(vector.bytes(0), vector.bytes(1), vector.bytes(2));
    EXPECT_EQ(actual, expected) << vector.category << ", line " << vector.lineNumber;
    for (Blake2bPath path : kBlake2bPaths) {
      if (!isBlake2bPathSupported(path)) continue;
      EXPECT_EQ(verifyInPieces(vector.bytes(0), vector.bytes(1), vector.bytes(2), path), expected)
          << "in pieces, " << blake2bPathName(path) << ", line " << vector.lineNumber;
    }
    if (actual) ++accepted[vector.category];
  }
  // The header's per-category acceptance counts, as a cross-check of the grouping.
  EXPECT_EQ(accepted["valid"], 70);
  EXPECT_EQ(accepted["s_range"], 10);
  EXPECT_EQ(accepted["noncanon_R"], 12);
  EXPECT_EQ(accepted["noncanon_A"], 15);
  EXPECT_EQ(accepted["x0_sign"], 12);
  EXPECT_EQ(accepted["cofactor_AR"], 14);
}

TEST(SignatureVectors, StandardEd25519SignaturesAreRejected) {
  int seen = 0;
  for (const VectorLine& vector : load("eddsa-check.txt")) {
    if (vector.category != "ed25519_sha512") continue;
    ++seen;
    EXPECT_FALSE(verifyFields(vector.bytes(0), vector.bytes(1), vector.bytes(2))) << "line " << vector.lineNumber;
  }
  EXPECT_EQ(seen, 17);
}

TEST(SignatureVectors, EverySigningVectorVerifies) {
  const std::vector<VectorLine> vectors = load("eddsa-sign.txt");
  ASSERT_EQ(vectors.size(), 211u);
  for (const VectorLine& vector : vectors) {
    ASSERT_EQ(vector.fields.size(), 4u);
    EXPECT_TRUE(verifyFields(vector.bytes(1), vector.bytes(2), vector.bytes(3))) << "line " << vector.lineNumber;
  }
}
