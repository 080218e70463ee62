#include "engine/operations/index_fields.h"

#include "engine/errors.h"
#include "engine/format/field_type.h"
#include "engine/read/field_lookup.h"

namespace engine {

using format::Header;

std::string Trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(' ');
  std::size_t e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::vector<int> FieldPositions(const Header& db, const std::string& list, const std::string& path) {
  std::vector<int> positions;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string name = Trimmed(list.substr(start, end - start));
    start = end + 1;
    if (name.empty()) continue;
    int found = FindField(db, name);
    if (found < 0) ThrowEngineError(texts::Format(texts::FieldNotFoundFormat(), name), "");
    for (int p : positions) {
      if (p == found) ThrowEngineError(texts::Format(texts::FieldTwiceInIndexFormat(), name), path);
    }
    if (format::IsBlob(db.fields()[static_cast<std::size_t>(found)].type)) {
      ThrowEngineError(texts::Format(texts::BlobFieldInIndexFormat(), name), path);
    }
    positions.push_back(found);
  }
  if (positions.empty()) ThrowEngineError(texts::IndexWithoutFields(), path);
  return positions;
}

bool LeadingFields(const std::vector<int>& positions) {
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] != static_cast<int>(i)) return false;
  }
  return true;
}

}  // namespace engine
