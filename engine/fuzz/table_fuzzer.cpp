// Feeds arbitrary bytes to the table reader as a table family: every member file is
// read with its structural checks, every field of every row is decoded, the family is
// checked as `pdxtool check` does, and, when the last byte asks for it, an index is
// built. Nothing may crash, hang or read outside a file, and every failure must be an
// engine error; a build that succeeds on a sound family must leave a sound family.
//
// Input: the member files one after another, separated by "HMFZ", in the order of
// kMembers (an empty part: that member is absent), then one control byte. A single file
// without a separator is the .DB alone, so any table file serves as a seed.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/check/family_check.h"
#include "engine/format/field_codec.h"
#include "engine/fuzz/family_input.h"
#include "engine/index_def.h"
#include "engine/operations/table_operations.h"
#include "engine/read/memo_file.h"
#include "engine/read/table_file.h"
#include "platform/exceptions.h"
#include "platform/memory_file.h"
#include "platform/testing/memory_file_system.h"

namespace {

constexpr const char* kMembers[] = {"T.DB", "T.PX", "T.MB", "T.X02", "T.Y02", "T.XG0", "T.YG0", "T.VAL"};
constexpr char kFolder[] = "M:\\data";

void Check(bool condition) {
  if (!condition) std::abort();
}

// Reads one member through the reader the engine uses for every table file.
std::unique_ptr<engine::MemberFile> Load(const std::string& bytes, const std::string& path) {
  platform::MemoryFile file(bytes);
  try {
    return std::make_unique<engine::MemberFile>(engine::MemberFile::Load(file, path));
  } catch (const platform::EDBEngineError&) {
    return nullptr;
  }
}

void DecodeRows(const engine::MemberFile& db, const std::string* mb_bytes) {
  std::unique_ptr<platform::MemoryFile> mb;
  if (mb_bytes != nullptr) mb = std::make_unique<platform::MemoryFile>(*mb_bytes);
  for (std::size_t i = 0; i < db.size(); ++i) {
    for (const engine::format::FieldDescriptor& f : db.header().fields()) {
      const char* data = db.record(i) + f.offset;
      if (!engine::format::IsBlob(f.type)) {
        engine::format::DecodeField(f, data);
        continue;
      }
      try {
        std::string blob = engine::ReadBlob(mb.get(), "T.MB", f, data);
        Check(blob.size() <= (mb_bytes ? mb_bytes->size() : 0) + static_cast<std::size_t>(f.size));
      } catch (const platform::EDBEngineError&) {
      }
    }
  }
}

// The index the control byte asks for, over the table's fields.
void Build(platform::testing::MemoryFileSystem& fs, const std::string& db_path, const engine::MemberFile& db,
           std::uint8_t control, bool sound_before) {
  const auto& fields = db.header().fields();
  const std::size_t first = (control >> 2) % fields.size();
  engine::IndexOptions options = 0;
  std::string name;
  std::string list = fields[first].name;
  if (control & 1) {
    options = engine::ixPrimary;
    list = fields[0].name;
    for (std::size_t i = 1; i <= first; ++i) list += ";" + fields[i].name;
  } else {
    name = (control & 0x80) ? "ByField" : fields[first].name;
    if (control & 0x40) options |= engine::ixCaseInsensitive;
  }
  try {
    engine::BuildIndex(fs, db_path, name, list, options);
  } catch (const platform::EDBEngineError&) {
    return;
  }
  if (sound_before) Check(engine::CheckFamily(fs, db_path).ok());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts;
  std::uint8_t control = 0;
  if (!engine::fuzz::SplitInput(data, size, std::size(kMembers), &parts, &control)) return 0;

  platform::testing::MemoryFileSystem fs;
  fs.ForceDirectories(kFolder);
  std::unique_ptr<engine::MemberFile> db;
  const std::string* mb = nullptr;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty()) continue;
    std::string path = std::string(kFolder) + "\\" + kMembers[i];
    fs.Put(path, parts[i]);
    if (i == 2) {
      mb = &parts[i];
      continue;
    }
    if (i == 7) continue;
    std::unique_ptr<engine::MemberFile> member = Load(parts[i], path);
    if (i == 0) db = std::move(member);
  }
  if (db) DecodeRows(*db, mb);

  const std::string db_path = std::string(kFolder) + "\\T.DB";
  engine::CheckReport report = engine::CheckFamily(fs, db_path);
  if (db && (control & 2)) Build(fs, db_path, *db, control, report.ok());
  return 0;
}
