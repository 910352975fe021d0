#include <cstring>

#include "crypto/blake2b.h"
#include "crypto/double_scalar_mult.h"
#include "crypto/edwards25519.h"
#include "crypto/scalar25519.h"
#include "crypto/signature.h"
#include "crypto/signature_check.h"

namespace {

constexpr int kCofactorDoublings = 3;  // [8] clears any small-order component

// True when the point is the neutral one (x = 0, y = 1), i.e. when its
// encoding is 01 00 ... 00. Both coordinates are compared in full.
bool isNeutral(const PointCompleted& completed) {
  PointExtended p;
  toExtended(p, completed);
  uint8_t x[kFieldElementBytes];
  uint8_t yMinusZ[kFieldElementBytes];
  FieldElement difference;
  feSub(difference, p.y, p.z);
  feToBytes(x, p.x);
  feToBytes(yMinusZ, difference);
  uint8_t any = 0;
  for (uint32_t i = 0; i < kFieldElementBytes; ++i) any |= static_cast<uint8_t>(x[i] | yMinusZ[i]);
  return any == 0;
}

}  // namespace

// h is over R and the key as given, so non-canonical encodings hash as sent.
SignatureCheck::SignatureCheck(const uint8_t* signature, const uint8_t* publicKey, Blake2bPath path)
    : hash_(path) {
  std::memcpy(signature_, signature, kSignatureBytes);
  std::memcpy(publicKey_, publicKey, kPublicKeyBytes);
  hash_.update(signature_, kPointBytes);
  hash_.update(publicKey_, kPointBytes);
}

void SignatureCheck::addMessage(const uint8_t* piece, size_t length) {
  if (length != 0) hash_.update(piece, length);
}

bool SignatureCheck::accepts() {
  const uint8_t* encodedR = signature_;
  const uint8_t* s = signature_ + kPointBytes;

  PointExtended a, r;
  if (!pointDecode(a, publicKey_) || !pointDecode(r, encodedR)) return false;
  if (!scalarIsCanonical(s)) return false;

  uint8_t digest[kBlake2bDigestBytes];
  hash_.finish(digest);
  uint8_t h[kScalarBytes];
  scalarReduceWide(h, digest);

  // [S]B - [h]A - R, then three doublings.
  PointExtended negativeA, sum;
  pointNegate(negativeA, a);
  doubleScalarMultVartime(sum, h, negativeA, s);
  PointCached cachedR;
  toCached(cachedR, r);
  PointCompleted step;
  pointSub(step, sum, cachedR);
  PointProjective projective;
  for (int i = 0; i < kCofactorDoublings; ++i) {
    toProjective(projective, step);
    pointDouble(step, projective);
  }
  return isNeutral(step);
}

bool verifySignature(const uint8_t* signature, const uint8_t* publicKey, const uint8_t* message, uint32_t length) {
  if (signature == nullptr || publicKey == nullptr || (message == nullptr && length != 0)) return false;
  SignatureCheck check(signature, publicKey);
  check.addMessage(message, length);
  return check.accepts();
}
