// Fixed-width integers in the two byte orders of a Paradox file: control structures are
// little-endian, field data is big-endian (with its own sign rules, see field_codec.h).
#ifndef HINMEI_ENGINE_FORMAT_BYTES_H_
#define HINMEI_ENGINE_FORMAT_BYTES_H_

#include <cstdint>

namespace engine::format {

inline std::uint8_t Byte(const char* p) { return static_cast<std::uint8_t>(*p); }

inline std::uint16_t GetLe16(const char* p) {
  return static_cast<std::uint16_t>(Byte(p) | Byte(p + 1) << 8);
}
inline std::uint32_t GetLe32(const char* p) {
  return static_cast<std::uint32_t>(GetLe16(p)) | static_cast<std::uint32_t>(GetLe16(p + 2)) << 16;
}
inline std::int16_t GetLeS16(const char* p) { return static_cast<std::int16_t>(GetLe16(p)); }

inline void PutLe16(char* p, std::uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}
inline void PutLe32(char* p, std::uint32_t v) {
  PutLe16(p, static_cast<std::uint16_t>(v & 0xFFFF));
  PutLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

inline std::uint16_t GetBe16(const char* p) {
  return static_cast<std::uint16_t>(Byte(p) << 8 | Byte(p + 1));
}
inline std::uint32_t GetBe32(const char* p) {
  return static_cast<std::uint32_t>(GetBe16(p)) << 16 | GetBe16(p + 2);
}
inline std::uint64_t GetBe64(const char* p) {
  return static_cast<std::uint64_t>(GetBe32(p)) << 32 | GetBe32(p + 4);
}

inline void PutBe16(char* p, std::uint16_t v) {
  p[0] = static_cast<char>(v >> 8);
  p[1] = static_cast<char>(v & 0xFF);
}
inline void PutBe32(char* p, std::uint32_t v) {
  PutBe16(p, static_cast<std::uint16_t>(v >> 16));
  PutBe16(p + 2, static_cast<std::uint16_t>(v & 0xFFFF));
}
inline void PutBe64(char* p, std::uint64_t v) {
  PutBe32(p, static_cast<std::uint32_t>(v >> 32));
  PutBe32(p + 4, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
}

}  // namespace engine::format

#endif  // HINMEI_ENGINE_FORMAT_BYTES_H_
