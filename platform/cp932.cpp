#include "platform/cp932.h"

namespace platform {

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

bool EndsWithPathDelimiter(std::string_view text) {
  // Walk from the start: only a forward walk knows which bytes are trail bytes.
  std::size_t pos = 0;
  std::size_t last = std::string_view::npos;
  while (pos < text.size()) {
    last = pos;
    pos += CharLengthAt(text, pos);
  }
  return last != std::string_view::npos && pos - last == 1 && text[last] == '\\';
}

bool CutsDoubleByteChar(std::string_view text, std::size_t length) {
  std::size_t pos = 0;
  while (pos < length && pos < text.size()) pos += CharLengthAt(text, pos);
  return pos > length;
}

}  // namespace platform
