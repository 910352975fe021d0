// The worst case of the payload check: a file of the largest readable size
// (128 MiB) that carries no payload, so the trailer search walks its whole
// window. Times reading the file plus PayloadReader::acceptFileBytes, and the
// accept step alone, and prints the median and best of each.
//   payload_bench SCRATCH_FILE
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "payload/payload_reader.h"

namespace {

constexpr size_t kFileBytes = size_t(128) << 20;  // the payload reader's file limit
constexpr int kRuns = 9;
constexpr uint8_t kTrailerFirstByte = 'T';         // kept out of the file: no trailer can match

class OwnedFile {
 public:
  OwnedFile(const char* path, const char* mode) : file_(std::fopen(path, mode)) {}
  ~OwnedFile() {
    if (file_) std::fclose(file_);
  }
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

std::vector<uint8_t> bytesWithoutPayload() {
  std::vector<uint8_t> bytes(kFileBytes);
  uint32_t state = 0x2545f491u;
  for (uint8_t& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
    if (b == kTrailerFirstByte) b = 0;
  }
  return bytes;
}

bool writeFile(const char* path, const std::vector<uint8_t>& bytes) {
  OwnedFile file(path, "wb");
  return file.get() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

bool readFile(const char* path, std::vector<uint8_t>& bytes) {
  OwnedFile file(path, "rb");
  if (!file.get()) return false;
  bytes.resize(kFileBytes);
  return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%s median-ms %.3f best-ms %.3f runs %zu\n", what, ms[ms.size() / 2], ms.front(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: payload_bench SCRATCH_FILE\n");
    return 2;
  }
  const char* path = argv[1];
  if (!writeFile(path, bytesWithoutPayload())) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  std::vector<double> readAndAccept, acceptOnly;
  for (int run = 0; run < kRuns; ++run) {
    std::vector<uint8_t> bytes;
    const auto readStart = std::chrono::steady_clock::now();
    if (!readFile(path, bytes)) {
      std::fprintf(stderr, "cannot read %s\n", path);
      return 1;
    }
    const double readMs = millisecondsSince(readStart);
    PayloadReader reader;
    const auto acceptStart = std::chrono::steady_clock::now();
    const bool accepted = reader.acceptFileBytes(std::move(bytes));
    const double acceptMs = millisecondsSince(acceptStart);
    if (accepted) {
      std::fprintf(stderr, "a file without a payload was accepted\n");
      return 1;
    }
    readAndAccept.push_back(readMs + acceptMs);
    acceptOnly.push_back(acceptMs);
  }
  std::remove(path);
  report("read+accept", readAndAccept);
  report("accept", acceptOnly);
  return 0;
}
