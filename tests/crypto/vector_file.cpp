#include "vector_file.h"

#include <cstdio>
#include <memory>
#include <regex>

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}


std::string readWholeFile(FILE* file) {
  std::string text;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

}  // namespace

bool readVectorFile(const std::string& name, std::vector<VectorLine>& lines, std::string& error) {
  const std::string path = std::string(NORVANE_VECTOR_DIR) + "/" + name;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  const std::string text = readWholeFile(file.get());

  // "#   valid            70 ( 70 accepted)  ..." announces the next 70 lines.
  const std::regex categoryLine(R"(^#\s+([A-Za-z0-9_]+)\s+(\d+)\s+\(\s*\d+ accepted\).*)");
  std::vector<std::pair<std::string, int>> categories;
  size_t categoryIndex = 0;
  int leftInCategory = 0;

  lines.clear();
  size_t start = 0;
  int lineNumber = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == '#') {
      std::smatch match;
      if (std::regex_match(line, match, categoryLine)) categories.emplace_back(match[1].str(), std::stoi(match[2].str()));
      continue;
    }
    VectorLine vector;
    vector.lineNumber = lineNumber;
    size_t fieldStart = 0;
    while (true) {
      const size_t colon = line.find(':', fieldStart);
      const std::string field = line.substr(fieldStart, colon == std::string::npos ? std::string::npos : colon - fieldStart);
      vector.fields.push_back(field);
      if (colon == std::string::npos) break;
      fieldStart = colon + 1;
    }
    while (leftInCategory == 0 && categoryIndex < categories.size()) leftInCategory = categories[categoryIndex++].second;
    if (leftInCategory > 0) {
      vector.category = categories[categoryIndex - 1].first;
      --leftInCategory;
    }
    lines.push_back(std::move(vector));
  }
  if (lines.empty()) {
    error = path + " holds no vectors";
    return false;
  }
  return true;
}

std::vector<uint8_t> VectorLine::bytes(size_t field) const {
  std::vector<uint8_t> result;
  const std::string& text = fields.at(field);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    result.push_back(static_cast<uint8_t>(hexValue(text[i]) * 16 + hexValue(text[i + 1])));
  }
  return result;
}

std::string toHex(const uint8_t* bytes, size_t length) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    text.push_back(digits[bytes[i] >> 4]);
    text.push_back(digits[bytes[i] & 15]);
  }
  return text;
}
