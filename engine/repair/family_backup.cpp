#include "engine/repair/family_backup.h"

#include "engine/errors.h"
#include "engine/read/table_file.h"
#include "engine/write/family_rewrite.h"

namespace engine {
namespace {

// Copies `from` (read through its open handle) into the new file `to` and flushes it.
void CopyInto(platform::File& from, platform::File& to, const std::string& from_path, const std::string& to_path) {
  const std::uint64_t size = TranslateFileErrors(from_path, [&] { return from.Size(); });
  std::vector<char> buffer(1 << 20);
  for (std::uint64_t at = 0; at < size;) {
    std::size_t got = TranslateFileErrors(from_path, [&] { return from.ReadAt(at, buffer.data(), buffer.size()); });
    if (got == 0) break;
    TranslateFileErrors(to_path, [&] { to.WriteAt(at, buffer.data(), got); });
    at += got;
  }
}

std::string NewFolder(platform::FileSystem& fs, const std::string& parent, const std::string& stamp) {
  const std::string name = kBackupPrefix + stamp;
  for (int n = 1; n < 1000; ++n) {
    std::string path = JoinFolder(parent, n == 1 ? name : name + "-" + std::to_string(n));
    if (fs.DirectoryExists(path) || fs.FileExists(path)) continue;
    if (!fs.ForceDirectories(path)) ThrowEngineError(texts::BackupFolderNotCreated(), path);
    return path;
  }
  ThrowEngineError(texts::BackupFolderNotCreated(), JoinFolder(parent, name));
}

}  // namespace

std::string BackupFamily(platform::FileSystem& fs, FamilyWrite& write, const Family& family, const std::string& stamp) {
  const std::string folder = NewFolder(fs, family.folder, stamp);
  try {
    for (const std::string& member : family.Members()) {
      const std::string copy = JoinFolder(folder, NameOf(member));
      auto out = TranslateFileErrors(copy, [&] {
        return fs.Open(copy, platform::Access::kReadWrite, platform::Share::kExclusive,
                       platform::Disposition::kCreateNew);
      });
      CopyInto(write.Hold(member), *out, member, copy);
      TranslateFileErrors(copy, [&] {
        out->Flush();
        out->Close();
      });
    }
    // The copies are on disk before the family they keep is replaced.
    TranslateFileErrors(folder, [&] { fs.FlushFolder(folder); });
  } catch (...) {
    platform::RemoveFolderTree(fs, folder);  // a copy that is not whole keeps nothing
    throw;
  }
  return folder;
}

std::string WriteSetAsideTable(platform::FileSystem& fs, const std::string& folder, const std::string& base,
                               const format::Header& like, const std::vector<char>& records,
                               const std::vector<std::uint32_t>& rows, platform::File* mb) {
  Family table;
  table.folder = folder;
  table.base = base;
  table.db = table.Path("DB");
  MemberFile set_aside = MemberFile::Empty(like, table.db);
  const auto rs = static_cast<std::size_t>(like.record_size());
  for (std::uint32_t row : rows) set_aside.AddRecord(records.data() + row * rs);

  FamilyWrite write(fs);
  bool blobs = false;
  for (const format::FieldDescriptor& f : like.fields()) blobs = blobs || format::IsBlob(f.type);
  if (blobs && mb != nullptr) {
    const std::string mb_copy = table.Path("MB");
    CopyInto(*mb, write.Create(mb_copy), mb_copy, mb_copy);
  }
  Rewrite r;
  r.family = &table;
  r.rows = &set_aside;
  RewriteFamily(write, r);
  return table.db;
}

}  // namespace engine
