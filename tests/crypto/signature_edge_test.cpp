// Tampering with valid signatures: every single-bit change and every
// out-of-range S must be refused.
#include <gtest/gtest.h>

#include "crypto/signature.h"
#include "vector_file.h"

namespace {

struct Signed {
  std::vector<uint8_t> publicKey, message, signature;
  bool verifies() const {
    return verifySignature(signature.data(), publicKey.data(), message.empty() ? nullptr : message.data(),
                           static_cast<uint32_t>(message.size()));
  }
};

std::vector<Signed> signedSamples() {
  std::vector<VectorLine> vectors;
  std::string error;
  EXPECT_TRUE(readVectorFile("eddsa-sign.txt", vectors, error)) << error;
  std::vector<Signed> samples;
  for (const VectorLine& vector : vectors) samples.push_back({vector.bytes(1), vector.bytes(2), vector.bytes(3)});
  return samples;
}

// Little-endian 256-bit addition; false on overflow.
bool addLittleEndian(uint8_t* value, const uint8_t* addend) {
  unsigned carry = 0;
  for (int i = 0; i < 32; ++i) {
    const unsigned sum = value[i] + addend[i] + carry;
    value[i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  return carry == 0;
}

const uint8_t kGroupOrder[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                 0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                 0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};

}  // namespace

TEST(SignatureTampering, EveryBitFlipInSignatureOrKeyIsRejected) {
  const std::vector<Signed> samples = signedSamples();
  // Two samples in full (512 signature bits and 256 key bits each), a few
  // bits of the rest: enough to hit every byte position many times.
  for (size_t s = 0; s < samples.size(); ++s) {
    const Signed& original = samples[s];
    ASSERT_TRUE(original.verifies());
    const int stride = s < 2 ? 1 : 61;
    for (int bit = static_cast<int>(s % 7); bit < 512; bit += stride) {
      Signed changed = original;
      changed.signature[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      EXPECT_FALSE(changed.verifies()) << "sample " << s << ", signature bit " << bit;
    }
    for (int bit = static_cast<int>(s % 5); bit < 256; bit += stride) {
      Signed changed = original;
      changed.publicKey[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      EXPECT_FALSE(changed.verifies()) << "sample " << s << ", key bit " << bit;
    }
  }
}

TEST(SignatureTampering, EveryBitFlipInTheMessageIsRejected) {
  int checked = 0;
  for (const Signed& original : signedSamples()) {
    if (original.message.empty() || original.message.size() > 64) continue;
    for (size_t bit = 0; bit < original.message.size() * 8; bit += 3) {
      Signed changed = original;
      changed.message[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      EXPECT_FALSE(changed.verifies()) << original.message.size() << "-byte message, bit " << bit;
    }
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

TEST(SignatureTampering, SPlusGroupOrderIsRejected) {
  for (const Signed& original : signedSamples()) {
    ASSERT_TRUE(original.verifies());
    Signed changed = original;
    // S < L < 2^253, so S + L and S + 2L still fit 256 bits.
    ASSERT_TRUE(addLittleEndian(changed.signature.data() + 32, kGroupOrder));
    EXPECT_FALSE(changed.verifies());
    ASSERT_TRUE(addLittleEndian(changed.signature.data() + 32, kGroupOrder));
    EXPECT_FALSE(changed.verifies());
  }
}

TEST(SignatureTampering, EmptyMessageIsCheckedLikeAnyOther) {
  int emptySigned = 0;
  for (const Signed& original : signedSamples()) {
    if (!original.message.empty()) continue;
    ++emptySigned;
    EXPECT_TRUE(original.verifies());
    const uint8_t zero = 0;
    EXPECT_TRUE(verifySignature(original.signature.data(), original.publicKey.data(), &zero, 0));
    EXPECT_FALSE(verifySignature(original.signature.data(), original.publicKey.data(), &zero, 1));
  }
  EXPECT_GE(emptySigned, 3);
}

TEST(SignatureTampering, MissingBuffersAreRejected) {
  const Signed sample = signedSamples().at(10);
  ASSERT_TRUE(sample.verifies());
  ASSERT_FALSE(sample.message.empty());
  EXPECT_FALSE(verifySignature(nullptr, sample.publicKey.data(), sample.message.data(), 1));
  EXPECT_FALSE(verifySignature(sample.signature.data(), nullptr, sample.message.data(), 1));
  EXPECT_FALSE(verifySignature(sample.signature.data(), sample.publicKey.data(), nullptr, 1));
}
