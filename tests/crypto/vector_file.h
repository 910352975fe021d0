#pragma once
// Reader for the EdDSA-BLAKE2b vector files: one vector a line, fields split by
// ':' and given in hex; '#' lines are comments. eddsa-check.txt lists its
// categories with line counts in the header, in file order, so every vector
// line can carry the name of its category.
#include <cstdint>
#include <string>
#include <vector>

struct VectorLine {
  std::vector<std::string> fields;  // as written
  std::vector<uint8_t> bytes(size_t field) const;  // a field decoded from hex
  std::string category;  // empty when the file names none
  int lineNumber = 0;
};

// Reads tests/crypto/vectors/<name>. Returns false with a reason
// when the file is missing or holds no vectors.
bool readVectorFile(const std::string& name, std::vector<VectorLine>& lines, std::string& error);

std::string toHex(const uint8_t* bytes, size_t length);
