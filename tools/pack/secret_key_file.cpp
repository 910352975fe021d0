#include "secret_key_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "crypto/wipe.h"

SecretSeed::~SecretSeed() { wipeMemory(bytes, sizeof bytes); }

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close is seen.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool readExactly(int fd, uint8_t* out, size_t length) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::read(fd, out + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool readSecretKeyFile(const std::string& path, SecretSeed& seed, std::string& error) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) {
    error = "cannot open secret key " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size != kSeedBytes) {
    error = "secret key " + path + " is not a 32-byte key file";
    return false;
  }
  if (!readExactly(file.get(), seed.bytes, kSeedBytes)) {
    error = "cannot read secret key " + path;
    return false;
  }
  return true;
}

bool writeSecretKeyFile(const std::string& path, const SecretSeed& seed, std::string& error) {
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!file.valid()) {
    error = errno == EEXIST ? path + " already exists; a secret key is never overwritten"
                            : "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  // The umask may have narrowed the mode, never widened it; make it exact.
  bool ok = ::fchmod(file.get(), 0600) == 0;
  size_t done = 0;
  while (ok && done < kSeedBytes) {
    const ssize_t n = ::write(file.get(), seed.bytes + done, kSeedBytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(file.get()) == 0;
  ok = file.close() && ok;
  if (!ok) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

bool randomSeed(SecretSeed& seed, std::string& error) {
  size_t done = 0;
  while (done < kSeedBytes) {
    const ssize_t n = ::getrandom(seed.bytes + done, kSeedBytes - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done == kSeedBytes) return true;

  FileDescriptor urandom(::open("/dev/urandom", O_RDONLY | O_CLOEXEC));
  if (urandom.valid() && readExactly(urandom.get(), seed.bytes, kSeedBytes)) return true;
  error = "the system's random source is not available";
  return false;
}

std::string lowerHex(const uint8_t* bytes, size_t length) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * length);
  for (size_t i = 0; i < length; ++i) {
    text.push_back(digits[bytes[i] >> 4]);
    text.push_back(digits[bytes[i] & 15]);
  }
  return text;
}
