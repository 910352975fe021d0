#include "image_payload.h"

#include "cli.h"
#include "payload/payload_format.h"
#include "pe_image.h"
#include "version_resource.h"

bool appendPayloadToImage(const std::string& inPath, const std::string& outPath,
                          const std::vector<PayloadValue>& values, std::string& error) {
  std::vector<uint8_t> image;
  if (!readFileBytes(inPath, image, error)) return false;
  PeLayout layout;
  if (!readPeLayout(image, layout, error)) {
    error = inPath + ": " + error;
    return false;
  }
  if (layout.endOfSections != image.size()) {
    // A certificate table or an earlier payload would end up outside the
    // payload's place right after the sections.
    error = inPath + " already has data after its last section (stamped or signed?)";
    return false;
  }
  PayloadVersion version;
  findFixedFileVersion(image, version);
  const std::vector<uint8_t> payload = buildPayload(values, image.size(), version);
  if (image.size() + payload.size() > payload_format::kMaxFileSize) {
    error = "result exceeds 128 MiB, more than the program reads";
    return false;
  }
  image.insert(image.end(), payload.begin(), payload.end());
  return writeFileBytes(outPath, image, error);
}
