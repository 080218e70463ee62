#include "engine/write/file_copy.h"

#include <vector>

namespace engine {
namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

// Copies `from` into `out` by reading and writing, for where the system's copy refuses
// (some network file systems, a source it cannot share).
void CopyThroughFiles(platform::FileSystem& fs, const std::string& from, platform::File& out) {
  auto in = fs.Open(from, platform::Access::kRead, platform::Share::kRead, platform::Disposition::kOpenExisting);
  out.Truncate(0);
  CopyBetweenFiles(*in, out);
}

}  // namespace

std::uint64_t CopyBetweenFiles(platform::File& in, platform::File& out) {
  std::vector<char> buffer(kCopyChunk);
  const std::uint64_t size = in.Size();
  for (std::uint64_t at = 0; at < size;) {
    std::size_t n = in.ReadAt(at, buffer.data(), buffer.size());
    if (n == 0) break;
    out.WriteAt(at, buffer.data(), n);
    at += n;
  }
  return size;
}

std::unique_ptr<platform::File> CopyAndOpen(platform::FileSystem& fs, const std::string& from, const std::string& to,
                                            bool archive_only) {
  const bool copied = fs.CopyFileOver(from, to);
  if (!copied && !fs.FileExists(from)) return nullptr;
  if (copied && archive_only) fs.SetAttributes(to, platform::kAttributeArchive);
  auto file = fs.Open(to, platform::Access::kReadWrite, platform::Share::kExclusive,
                      copied ? platform::Disposition::kOpenExisting : platform::Disposition::kCreateAlways);
  if (!copied) CopyThroughFiles(fs, from, *file);
  return file;
}

bool CopyStartingFlush(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  std::unique_ptr<platform::File> file = CopyAndOpen(fs, from, to, true);
  if (!file) return false;
  file->BeginFlush();
  return true;
}

}  // namespace engine
