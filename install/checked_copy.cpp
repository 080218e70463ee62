#include "install/checked_copy.h"

#include <vector>

#include "platform/exceptions.h"

namespace install {
namespace {

constexpr std::size_t kChunk = 1 << 20;

// The copy by hand; a retry that succeeds leaves the copy made (a passing failure).
void CopyThroughFiles(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  auto in = fs.Open(from, platform::Access::kRead, platform::Share::kRead, platform::Disposition::kOpenExisting);
  auto out = fs.Open(to, platform::Access::kReadWrite, platform::Share::kExclusive,
                     platform::Disposition::kCreateAlways);
  try {
    std::vector<char> buffer(kChunk);
    const std::uint64_t size = in->Size();
    for (std::uint64_t at = 0; at < size;) {
      std::size_t n = in->ReadAt(at, buffer.data(), buffer.size());
      if (n == 0) break;
      out->WriteAt(at, buffer.data(), n);
      at += n;
    }
    out->Flush();
    out->Close();
  } catch (const platform::EInOutError&) {
    out.reset();
    try {
      fs.RemoveFile(to);
    } catch (const platform::EInOutError&) {
    }
    throw;
  }
}

}  // namespace

void CopyFileChecked(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.CopyFileOver(from, to) || !fs.FileExists(from)) return;
  CopyThroughFiles(fs, from, to);
}

}  // namespace install
