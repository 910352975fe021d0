// The arithmetic under the signature check, tested on its own so that a fault
// shows where it is; the same tests run against both field forms.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/blake2b.h"
#include "crypto/double_scalar_mult.h"
#include "crypto/edwards25519.h"
#include "crypto/edwards25519_constants.h"
#include "crypto/scalar25519.h"
#include "vector_file.h"

namespace {

std::vector<uint8_t> fromHex(const std::string& text) {
  VectorLine line;
  line.fields.push_back(text);
  return line.bytes(0);
}

std::string encodeHex(const PointExtended& p) {
  uint8_t bytes[kPointBytes];
  pointEncode(bytes, p);
  return toHex(bytes, sizeof bytes);
}

std::string fieldHex(const FieldElement& f) {
  uint8_t bytes[kFieldElementBytes];
  feToBytes(bytes, f);
  return toHex(bytes, sizeof bytes);
}

const char kBasePointHex[] = "5866666666666666666666666666666666666666666666666666666666666666";

PointExtended basePoint() {
  PointExtended b;
  EXPECT_TRUE(pointDecode(b, fromHex(kBasePointHex).data()));
  return b;
}

PointExtended add(const PointExtended& p, const PointExtended& q) {
  PointCached cached;
  toCached(cached, q);
  PointCompleted sum;
  pointAdd(sum, p, cached);
  PointExtended r;
  toExtended(r, sum);
  return r;
}

// Deterministic pseudo-random bytes for property checks.
std::vector<uint8_t> sampleBytes(int index, size_t length) {
  std::vector<uint8_t> out;
  uint8_t counter[4] = {static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8), 0x5a, 0xc3};
  while (out.size() < length) {
    uint8_t digest[kBlake2bDigestBytes];
    blake2b512(counter, sizeof counter, digest);
    out.insert(out.end(), digest, digest + sizeof digest);
    ++counter[2];
  }
  out.resize(length);
  return out;
}

}  // namespace

TEST(FieldArithmetic, EncodingIsFullyReduced) {
  // p + 5 and 2^255 - 1 are 255-bit inputs at or above p.
  std::vector<uint8_t> pPlus5 = fromHex("f2ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f");
  EXPECT_EQ(fieldHex(feFromBytes(pPlus5.data())), "0500000000000000000000000000000000000000000000000000000000000000");
  std::vector<uint8_t> allOnes(32, 0xff);
  EXPECT_EQ(fieldHex(feFromBytes(allOnes.data())), "1200000000000000000000000000000000000000000000000000000000000000");
  // p - 1 stays as it is, and -1 computed by subtraction encodes the same.
  std::vector<uint8_t> pMinus1 = fromHex("ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f");
  FieldElement minusOne;
  feSub(minusOne, feZero(), feOne());
  EXPECT_EQ(fieldHex(feFromBytes(pMinus1.data())), toHex(pMinus1.data(), 32));
  EXPECT_EQ(fieldHex(minusOne), toHex(pMinus1.data(), 32));
}

TEST(FieldArithmetic, InverseTimesValueIsOne) {
  for (int i = 0; i < 20; ++i) {
    std::vector<uint8_t> bytes = sampleBytes(i, 32);
    const FieldElement x = feFromBytes(bytes.data());
    FieldElement inverse, product;
    feInvert(inverse, x);
    feMul(product, inverse, x);
    EXPECT_EQ(fieldHex(product), "0100000000000000000000000000000000000000000000000000000000000000") << i;
    // Squaring agrees with multiplying by itself.
    FieldElement square, selfProduct;
    feSquare(square, x);
    feMul(selfProduct, x, x);
    EXPECT_EQ(fieldHex(square), fieldHex(selfProduct)) << i;
  }
}

TEST(FieldArithmetic, ConditionalMoveSelectsByFlag) {
  const std::vector<uint8_t> a = sampleBytes(1, 32), b = sampleBytes(2, 32);
  FieldElement kept = feFromBytes(a.data());
  feConditionalMove(kept, feFromBytes(b.data()), 0);
  EXPECT_EQ(fieldHex(kept), fieldHex(feFromBytes(a.data())));
  feConditionalMove(kept, feFromBytes(b.data()), 1);
  EXPECT_EQ(fieldHex(kept), fieldHex(feFromBytes(b.data())));
}

TEST(CurveArithmetic, BaseTableHoldsTheOddMultiplesOfB) {
  const PointExtended b = basePoint();
  const PointExtended twoB = add(b, b);
  PointExtended multiple = b;
  for (int i = 0; i < kBaseTableSize; ++i) {
    FieldElement zInverse, x, y, yPlusX, yMinusX, xy2d;
    feInvert(zInverse, multiple.z);
    feMul(x, multiple.x, zInverse);
    feMul(y, multiple.y, zInverse);
    feAdd(yPlusX, y, x);
    feSub(yMinusX, y, x);
    feMul(xy2d, x, y);
    feMul(xy2d, xy2d, kEdwardsD2);
    EXPECT_EQ(fieldHex(kBaseOddMultiples[i].yPlusX), fieldHex(yPlusX)) << 2 * i + 1 << "B";
    EXPECT_EQ(fieldHex(kBaseOddMultiples[i].yMinusX), fieldHex(yMinusX)) << 2 * i + 1 << "B";
    EXPECT_EQ(fieldHex(kBaseOddMultiples[i].xy2d), fieldHex(xy2d)) << 2 * i + 1 << "B";
    multiple = add(multiple, twoB);
  }
}

TEST(CurveArithmetic, DecodingThenEncodingReturnsCanonicalPoints) {
  const PointExtended b = basePoint();
  PointExtended multiple = b;
  for (int i = 0; i < 16; ++i) {
    const std::string encoded = encodeHex(multiple);
    PointExtended decoded;
    ASSERT_TRUE(pointDecode(decoded, fromHex(encoded).data()));
    EXPECT_EQ(encodeHex(decoded), encoded);
    multiple = add(multiple, b);
  }
  // y = p + 1 is y = 1 written non-canonically: the neutral point.
  PointExtended neutral;
  ASSERT_TRUE(pointDecode(neutral, fromHex("eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f").data()));
  EXPECT_TRUE(pointIsNeutral(neutral));
  // y = 2 has no x on the curve.
  PointExtended offCurve;
  EXPECT_FALSE(pointDecode(offCurve, fromHex("0200000000000000000000000000000000000000000000000000000000000000").data()));
}

TEST(CurveArithmetic, OrderMinusOneTimesAPointIsItsNegative) {
  const std::vector<uint8_t> orderMinusOne = fromHex("ecd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010");
  const std::vector<uint8_t> zero(32, 0);
  const PointExtended b = basePoint();
  PointExtended negativeB;
  pointNegate(negativeB, b);
  const PointExtended threeB = add(add(b, b), b);
  PointExtended negativeThreeB;
  pointNegate(negativeThreeB, threeB);

  PointExtended r;
  doubleScalarMultVartime(r, zero.data(), threeB, orderMinusOne.data());  // base-point path
  EXPECT_EQ(encodeHex(r), encodeHex(negativeB));
  doubleScalarMultVartime(r, orderMinusOne.data(), threeB, zero.data());  // variable-point path
  EXPECT_EQ(encodeHex(r), encodeHex(negativeThreeB));
  doubleScalarMultVartime(r, zero.data(), threeB, zero.data());
  EXPECT_TRUE(pointIsNeutral(r));
}

TEST(CurveArithmetic, SlidingWindowDigitsRebuildTheScalar) {
  for (int width : {5, 8}) {
    for (int i = 0; i < 40; ++i) {
      std::vector<uint8_t> scalar = sampleBytes(i + 100 * width, 32);
      scalar[31] &= 0x1f;  // below 2^253
      if (i == 0) std::fill(scalar.begin(), scalar.end(), uint8_t{0xff}), scalar[31] = 0x1f;
      int8_t digits[256];
      slidingWindowDigits(digits, scalar.data(), width);
      // Sum the digits back into a little-endian number (signed, 2^256 wide).
      int64_t accumulator[33] = {};
      int lastNonZero = -width;
      for (int position = 0; position < 256; ++position) {
        if (digits[position] == 0) continue;
        EXPECT_EQ(digits[position] % 2 != 0, true);
        EXPECT_LT(std::abs(digits[position]), 1 << (width - 1));
        EXPECT_GE(position - lastNonZero, width);
        lastNonZero = position;
        accumulator[position / 8] += static_cast<int64_t>(digits[position]) * (1 << (position % 8));
      }
      uint8_t rebuilt[32];
      int64_t carry = 0;
      for (int b = 0; b < 32; ++b) {
        const int64_t value = accumulator[b] + carry;
        rebuilt[b] = static_cast<uint8_t>(value & 0xff);
        carry = (value - (value & 0xff)) / 256;
      }
      EXPECT_EQ(carry, 0);
      EXPECT_EQ(toHex(rebuilt, 32), toHex(scalar.data(), 32)) << "width " << width << ", sample " << i;
    }
  }
}

TEST(ScalarArithmetic, CanonicalMeansBelowTheGroupOrder) {
  EXPECT_TRUE(scalarIsCanonical(fromHex("ecd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010").data()));
  EXPECT_FALSE(scalarIsCanonical(fromHex("edd3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010").data()));
  EXPECT_FALSE(scalarIsCanonical(fromHex("eed3f55c1a631258d69cf7a2def9de1400000000000000000000000000000010").data()));
  EXPECT_TRUE(scalarIsCanonical(std::vector<uint8_t>(32, 0).data()));
  EXPECT_FALSE(scalarIsCanonical(std::vector<uint8_t>(32, 0xff).data()));
}

TEST(ScalarArithmetic, WideReductionMatchesBigIntegerResults) {
  uint8_t out[32];
  scalarReduceWide(out, std::vector<uint8_t>(64, 0xff).data());
  EXPECT_EQ(toHex(out, 32), "000f9c44e31106a447938568a71b0ed065bef517d273ecce3d9a307c1b419903");
  scalarReduceWide(out, fromHex("32aa93c40467955353562c4d7d74954159aec41ec84bd1885115aecfc5cb3b2c"
                                "4a60628c92a01b206e4604f372553e8bc54c145cfa54e65d06f837e95da52ada").data());
  EXPECT_EQ(toHex(out, 32), "85e8bdd9a27158fb06b9867311bed9f07190317b5dfb918e95251fda7909e708");
  scalarReduceWide(out, fromHex("c77be1164f29370883d6e6e89bed9c3e00000000000000000000000000000030"
                                "0000000000000000000000000000000000000000000000000000000000000000").data());
  EXPECT_EQ(toHex(out, 32), std::string(64, '0'));  // 3L
}

TEST(ScalarArithmetic, MulAddReducesTheFullProduct) {
  const std::vector<uint8_t> ones(32, 0xff);
  uint8_t out[32];
  scalarMulAdd(out, ones.data(), ones.data(), ones.data());
  EXPECT_EQ(toHex(out, 32), "d14df91389432c25ad60ff9791b9fd1d67bef517d273ecce3d9a307c1b419903");
}
