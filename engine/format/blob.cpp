#include "engine/format/blob.h"

#include "engine/format/bytes.h"

namespace engine::format {

int LeaderSize(const FieldDescriptor& field) { return field.size - kBlobDescriptorSize; }

BlobRef ReadBlobRef(const FieldDescriptor& field, const char* data) {
  const char* d = data + LeaderSize(field);
  return BlobRef{GetLe32(d), GetLe32(d + 4), GetLe16(d + 8)};
}

void WriteBlobRef(const FieldDescriptor& field, const BlobRef& ref, char* data) {
  char* d = data + LeaderSize(field);
  PutLe32(d, ref.location);
  PutLe32(d + 4, ref.length);
  PutLe16(d + 8, ref.mod);
}

std::string NewMbHeader() {
  // The constant bytes every .MB header holds, modification count 1.
  static const unsigned char kStart[] = {0x00, 0x01, 0x00, 0x01, 0x00, 0x82, 0x73, 0x02, 0x00, 0x29,
                                         0x00, 0x00, 0x10, 0x00, 0x10, 0x00, 0x10, 0x40, 0x00, 0x00,
                                         0x08};
  std::string header(kMbUnit, '\0');
  for (std::size_t i = 0; i < sizeof kStart; ++i) header[i] = static_cast<char>(kStart[i]);
  header[0x29] = static_cast<char>(0xA1);
  header[0x2A] = 0x02;
  return header;
}

}  // namespace engine::format
