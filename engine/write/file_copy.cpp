#include "engine/write/file_copy.h"

#include <vector>

namespace engine {
namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

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

void CopyThroughFiles(platform::FileSystem& fs, const std::string& from, platform::File& out) {
  auto in = fs.Open(from, platform::Access::kRead, platform::Share::kRead, platform::Disposition::kOpenExisting);
  out.Truncate(0);
  CopyBetweenFiles(*in, out);
}

bool CopyStartingWriteback(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  const bool copied = fs.CopyFileOver(from, to);
  if (!copied && !fs.FileExists(from)) return false;
  if (copied) fs.SetAttributes(to, platform::kAttributeArchive);
  auto file = fs.Open(to, platform::Access::kReadWrite, platform::Share::kExclusive,
                      copied ? platform::Disposition::kOpenExisting : platform::Disposition::kCreateAlways);
  if (!copied) CopyThroughFiles(fs, from, *file);
  file->BeginFlush();
  return true;
}

}  // namespace engine
