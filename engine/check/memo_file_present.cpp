#include "engine/check/memo_file_present.h"

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/blob.h"
#include "engine/format/field_type.h"
#include "engine/read/table_file.h"

namespace engine {

void RequireMemoFile(platform::FileSystem& fs, const std::string& db_path) {
  Family family = FindFamily(fs, db_path);
  if (!family.exists() || !family.mb.empty()) return;
  auto file = TranslateFileErrors(family.db, [&] {
    return fs.Open(family.db, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  });
  const format::Header header = ReadHeader(*file, family.db);
  bool has_blobs = false;
  for (const format::FieldDescriptor& f : header.fields()) has_blobs = has_blobs || format::IsBlob(f.type);
  if (!has_blobs) return;
  MemberFile db = MemberFile::Load(*file, family.db);
  for (const format::FieldDescriptor& f : db.header().fields()) {
    if (!format::IsBlob(f.type)) continue;
    for (std::size_t i = 0; i < db.size(); ++i) {
      format::BlobRef ref = format::ReadBlobRef(f, db.record(i) + f.offset);
      if (ref.length != 0 && !ref.in_leader()) ThrowEngineError(texts::MemoFileMissing(), family.Path("MB"), texts::AskForNewMedium());
    }
  }
}

}  // namespace engine
