#include "cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

ParsedArguments parseArguments(const std::vector<std::string>& arguments, const std::vector<std::string>& valueOptions,
                               const std::vector<std::string>& switches) {
  ParsedArguments parsed;
  auto listed = [](const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
      parsed.positionals.push_back(argument);
      continue;
    }
    if (parsed.options.count(argument)) {
      parsed.error = argument + " is given twice";
    } else if (listed(switches, argument)) {
      parsed.options[argument] = "";
    } else if (!listed(valueOptions, argument)) {
      parsed.error = "unknown option " + argument;
    } else if (i + 1 >= arguments.size()) {
      parsed.error = argument + " needs a value";
    } else {
      parsed.options[argument] = arguments[++i];
    }
    if (!parsed.error.empty()) return parsed;
  }
  return parsed;
}

int usageError(const char* commandName, const std::string& message) {
  std::cerr << "norvane-pack " << commandName << ": " << message << "\n";
  for (const Command& command : allCommands()) {
    if (std::strcmp(command.name, commandName) == 0) std::cerr << "usage: " << command.usage << "\n";
  }
  return kExitUsage;
}

int failure(const char* commandName, const std::string& message) {
  std::cerr << "norvane-pack " << commandName << ": " << message << "\n";
  return kExitFailure;
}

bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error, bool ownerOnly) {
  // Written beside the target and renamed over it, so a failed write leaves no half file.
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, ownerOnly ? 0600 : 0644);
  if (fd < 0) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  const bool ok = done == bytes.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}
