#include "engine/repair/blob_salvage.h"

#include "engine/errors.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/format/field_codec.h"
#include "engine/read/memo_file.h"

namespace engine {
namespace {

// Spans of the header unit every .MB shares; bytes 3 and 4 hold the modification count.
struct Span {
  std::size_t from;
  std::size_t to;
};
constexpr Span kConstantSpans[] = {{0, 3}, {5, 0x15}, {0x29, 0x2B}};

}  // namespace

std::vector<BlankedBlob> BlankUnreadableBlobs(const format::Header& header, std::vector<char>& records,
                                              const std::vector<std::uint32_t>& rows, platform::File* mb,
                                              const std::string& mb_path) {
  std::vector<BlankedBlob> blanked;
  const auto rs = static_cast<std::size_t>(header.record_size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    char* record = records.data() + static_cast<std::size_t>(rows[i]) * rs;
    for (std::size_t f = 0; f < header.fields().size(); ++f) {
      const format::FieldDescriptor& field = header.fields()[f];
      if (!format::IsBlob(field.type) || format::IsBlank(record + field.offset, field.size)) continue;
      try {
        ReadBlob(mb, mb_path, field, record + field.offset);
      } catch (const platform::EDBEngineError&) {
        std::fill(record + field.offset, record + field.offset + field.size, '\0');
        blanked.push_back(BlankedBlob{i, static_cast<int>(f)});
      }
    }
  }
  return blanked;
}

std::optional<std::string> MendedMemoHeader(platform::File& mb, const std::string& mb_path, std::uint16_t mod) {
  std::string unit(format::kMbUnit, '\0');
  unit.resize(TranslateFileErrors(mb_path, [&] { return mb.ReadAt(0, unit.data(), unit.size()); }));
  const std::string sound = format::NewMbHeader();
  bool same = unit.size() == sound.size();
  for (const Span& s : kConstantSpans) {
    same = same && unit.compare(s.from, s.to - s.from, sound, s.from, s.to - s.from) == 0;
  }
  if (same) return std::nullopt;
  std::string mended = sound;
  format::PutLe16(mended.data() + format::kMbModCountOffset, mod);
  return mended;
}

}  // namespace engine
