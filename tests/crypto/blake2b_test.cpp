#include "crypto/blake2b.h"

#include <gtest/gtest.h>

#include "vector_file.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

std::vector<VectorLine> loadDigestVectors(const char* name = "blake2b.txt") {
  std::vector<VectorLine> vectors;
  std::string error;
  EXPECT_TRUE(readVectorFile(name, vectors, error)) << error;
  return vectors;
}

// Every compression form this processor runs; each must give every digest.
std::vector<Blake2bPath> runnablePaths() {
  std::vector<Blake2bPath> paths;
  for (Blake2bPath path : kBlake2bPaths) {
    if (isBlake2bPathSupported(path)) paths.push_back(path);
  }
  return paths;
}

std::string digestHex(Blake2bPath path, const uint8_t* message, size_t length, size_t pieceSize) {
  Blake2b hash(path);
  for (size_t offset = 0; offset < length; offset += pieceSize) {
    hash.update(message + offset, std::min(pieceSize, length - offset));
  }
  uint8_t digest[kBlake2bDigestBytes];
  hash.finish(digest);
  return toHex(digest, sizeof digest);
}

}  // namespace

TEST(Blake2b, EveryReferenceDigestMatchesOnEveryPath) {
  const std::vector<VectorLine> vectors = loadDigestVectors();
  ASSERT_EQ(vectors.size(), 265u);
  for (Blake2bPath path : runnablePaths()) {
    for (const VectorLine& vector : vectors) {
      ASSERT_EQ(vector.fields.size(), 2u);
      const std::vector<uint8_t> message = vector.bytes(0);
      EXPECT_EQ(digestHex(path, message.data(), message.size(), SIZE_MAX), vector.fields[1])
          << blake2bPathName(path) << ", line " << vector.lineNumber;
    }
  }
  uint8_t digest[kBlake2bDigestBytes];
  const std::vector<uint8_t> abc = {'a', 'b', 'c'};
  blake2b512(abc.data(), abc.size(), digest);
  EXPECT_EQ(toHex(digest, sizeof digest), digestHex(Blake2bPath::Portable, abc.data(), abc.size(), SIZE_MAX));
}

// The last block is compressed with the final flag, so a full block held back
// in the buffer must not be compressed before more input arrives; long runs
// of blocks go to the compression in one call.
TEST(Blake2b, LongMessagesInPiecesMatchOnEveryPath) {
  const std::vector<VectorLine> vectors = loadDigestVectors("blake2b-long.txt");
  ASSERT_EQ(vectors.size(), 24u);
  std::vector<uint8_t> message(std::stoul(vectors.back().fields[0]));
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(7 * i + (i >> 8));
  const size_t pieceSizes[] = {SIZE_MAX, 1048576, 1000, 129, 128, 127};
  for (Blake2bPath path : runnablePaths()) {
    std::printf("BLAKE2b path tested: %s\n", blake2bPathName(path));
    for (const VectorLine& vector : vectors) {
      const size_t length = std::stoul(vector.fields[0]);
      for (size_t pieceSize : pieceSizes) {
        if (length > 65537 && pieceSize < 1000) continue;  // the small pieces are covered by the shorter messages
        EXPECT_EQ(digestHex(path, message.data(), length, pieceSize), vector.fields[1])
            << blake2bPathName(path) << ": " << length << " bytes in pieces of " << pieceSize;
      }
    }
  }
}

TEST(Blake2b, TheChosenPathRunsHere) {
  EXPECT_TRUE(isBlake2bPathSupported(bestBlake2bPath()));
#if defined(__x86_64__) || defined(_M_X64)
  EXPECT_TRUE(isBlake2bPathSupported(Blake2bPath::Sse2)) << "every x86-64 processor has SSE2";
#endif
}

#if defined(_WIN32) && defined(__GNUC__) && defined(__i386__)
namespace {

// Windows may enter a thread or a callback with the stack aligned to 4 bytes
// only; a vector form that spilled to an unaligned stack slot would fault.
struct SkewedStackJob {
  std::vector<uint8_t> message = std::vector<uint8_t>(4097, 0x5a);
  std::vector<std::string> digests;
};

void hashOnEveryPath(void* context) {
  auto* job = static_cast<SkewedStackJob*>(context);
  for (Blake2bPath path : runnablePaths()) {
    job->digests.push_back(digestHex(path, job->message.data(), job->message.size(), SIZE_MAX));
  }
}

// Calls function(context) with the stack pointer skew bytes below a 16-byte
// boundary at the call.
template <int skew>
void callWithSkewedStack(void (*function)(void*), void* context) {
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "andl $-16, %%esp\n\t"
      "subl %2, %%esp\n\t"
      "subl $12, %%esp\n\t"
      "pushl %1\n\t"
      "call *%0\n\t"
      "movl %%esi, %%esp\n\t"
      :
      : "r"(function), "r"(context), "i"(skew)
      : "eax", "ecx", "edx", "esi", "memory", "cc");
}

DWORD WINAPI skewedStackThread(void* context) {
  callWithSkewedStack<0>(hashOnEveryPath, context);
  callWithSkewedStack<4>(hashOnEveryPath, context);
  callWithSkewedStack<8>(hashOnEveryPath, context);
  callWithSkewedStack<12>(hashOnEveryPath, context);
  return 0;
}

}  // namespace

TEST(Blake2b, EveryPathRunsOnAWorkerThreadWithAnUnalignedStack) {
  SkewedStackJob job;
  HANDLE thread = CreateThread(nullptr, 0, skewedStackThread, &job, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 0u);
  const size_t paths = runnablePaths().size();
  ASSERT_EQ(job.digests.size(), 4 * paths);
  for (const std::string& digest : job.digests) EXPECT_EQ(digest, job.digests.front());
}
#endif
