#include "engine/read/field_lookup.h"

#include "engine/family.h"

namespace engine {

int FindField(const format::Header& header, const std::string& name) {
  const auto& fields = header.fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == name) return static_cast<int>(i);
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (FoldName(fields[i].name) == FoldName(name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace engine
