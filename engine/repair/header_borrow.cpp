#include "engine/repair/header_borrow.h"

#include "engine/errors.h"
#include "engine/format/bytes.h"
#include "engine/index/secondary_index.h"
#include "engine/read/table_file.h"
#include "engine/repair/repair_refusal.h"

namespace engine {
namespace {

using format::FileType;
namespace off = format::off;

constexpr int kValVersion = 1;
constexpr int kValUpdateTime = 3;

[[noreturn]] void DoesNotFit(const std::string& other, const std::string& why) {
  throw ERepairRefused(RefusalReason::kBorrowDoesNotFit,
                       EngineMessage("The table does not have the structure of the table to repair: " + why + ".", other));
}

std::optional<format::Header> Readable(FamilyWrite& write, const std::string& path) {
  if (path.empty()) return std::nullopt;
  try {
    return ReadHeader(write.Hold(path), path);
  } catch (const ECorruptFile&) {
    return std::nullopt;
  }
}

}  // namespace

format::Header BorrowHeader(platform::FileSystem& fs, const std::string& other, FamilyWrite& write,
                            const Family& family) {
  Family donor = FindFamily(fs, other);
  if (!donor.exists()) DoesNotFit(TablePath(other), "it does not exist");
  auto file = TranslateFileErrors(donor.db, [&] {
    return fs.Open(donor.db, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  });
  format::Header h;
  try {
    h = ReadHeader(*file, donor.db);
  } catch (const ECorruptFile&) {
    DoesNotFit(donor.db, "its own header cannot be read");
  }
  if (h.type() != FileType::kKeyedData && h.type() != FileType::kUnkeyedData) DoesNotFit(donor.db, "it is no table");

  if (std::optional<format::Header> px = Readable(write, family.px)) {
    bool fits = h.type() == FileType::kKeyedData && static_cast<int>(px->fields().size()) == h.key_fields();
    for (int i = 0; fits && i < h.key_fields(); ++i) {
      const auto& a = px->fields()[static_cast<std::size_t>(i)];
      const auto& b = h.fields()[static_cast<std::size_t>(i)];
      fits = a.type == b.type && a.size == b.size;
    }
    if (!fits) DoesNotFit(donor.db, "its key differs from the one the .PX indexes");
    h.SetU8(off::kStamp2D, px->U8(off::kStamp2C));
  }
  bool identity = false;
  for (const SecondaryFiles& files : family.secondaries) {
    std::optional<format::Header> x = Readable(write, files.x);
    if (!x || !format::IsSecondaryData(x->type())) continue;
    try {
      IndexOfHeader(*x, h, files);
    } catch (const ECorruptFile&) {
      DoesNotFit(donor.db, "the index " + NameOf(files.x) + " names fields it does not have");
    }
    if (!identity) h.SetU8(off::kStamp2E, x->U8(off::kStamp2E));
    identity = true;
  }
  if (!family.val.empty()) {
    std::string head(8, '\0');
    head.resize(TranslateFileErrors(family.val, [&] { return write.Hold(family.val).ReadAt(0, head.data(), head.size()); }));
    if (!identity && !head.empty()) h.SetU8(off::kStamp2E, static_cast<std::uint8_t>(head[0]));
    if (h.has_data_header() && head.size() >= kValUpdateTime + 4 && static_cast<std::uint8_t>(head[kValVersion]) == h.version()) {
      h.SetU32(off::kUpdateTime, format::GetLe32(head.data() + kValUpdateTime));
    }
  }
  return h;
}

}  // namespace engine
