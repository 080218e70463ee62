// What every FileSystem must do. The same suite runs natively against the POSIX
// implementation and under Wine against the Windows one, against the fault-injecting
// wrapper with no fault set, and against the file system in memory that the fuzzers and
// the power-cut tests use.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "platform/os_error.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/temp_folder.h"

namespace platform {
namespace {

using testing::FaultInjectingFileSystem;
using testing::MemoryFileSystem;
using testing::TempFolder;

struct Implementation {
  const char* name;
  std::function<std::unique_ptr<FileSystem>()> make;  // null: the OS implementation itself
};

void PrintTo(const Implementation& implementation, std::ostream* out) { *out << implementation.name; }

class FileSystemContract : public ::testing::TestWithParam<Implementation> {
 protected:
  void SetUp() override {
    if (GetParam().make) {
      owned_ = GetParam().make();
      fs_ = owned_.get();
    } else {
      fs_ = &OsFileSystem();
    }
    // The temporary folder is made on the disk; a file system of its own needs it too.
    ASSERT_TRUE(fs_->ForceDirectories(temp_.Path()));
  }

  void Write(const std::string& path, const std::string& data) { WriteWholeFile(*fs_, path, data); }
  std::string Read(const std::string& path) { return ReadWholeFile(*fs_, path); }
  bool Listed(const std::string& folder, const std::string& name) {
    auto names = fs_->ListFolder(folder);
    return std::find(names.begin(), names.end(), name) != names.end();
  }
  static int CodeOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const EInOutError& e) {
      return e.ErrorCode();
    }
    return 0;
  }

  TempFolder temp_;
  FileSystem* fs_ = nullptr;
  std::unique_ptr<FileSystem> owned_;
};

const std::string kHinmeiMaster = Utf8ToCp932("品名マスタ");
const std::string kDataHyo = Utf8ToCp932("データ表");  // ends in 表 = 95 5C

TEST_P(FileSystemContract, JapaneseFileAndFolderNames) {
  std::string folder = temp_ / kHinmeiMaster;
  ASSERT_TRUE(fs_->ForceDirectories(folder));
  std::string file = folder + "\\" + Utf8ToCp932("品名.txt");
  Write(file, "abc");
  EXPECT_TRUE(fs_->FileExists(file));
  EXPECT_EQ(Read(file), "abc");
  EXPECT_TRUE(Listed(temp_.Path(), kHinmeiMaster));
  EXPECT_TRUE(Listed(folder, Utf8ToCp932("品名.txt")));
}

TEST_P(FileSystemContract, FolderWhoseLastByteIsTheTrailByte5C) {
  std::string folder = temp_ / kDataHyo;
  ASSERT_EQ(folder.back(), '\\');  // the trail byte of 表
  ASSERT_FALSE(EndsWithPathDelimiter(folder));
  ASSERT_TRUE(fs_->ForceDirectories(folder));
  EXPECT_TRUE(fs_->DirectoryExists(folder));
  EXPECT_TRUE(Listed(temp_.Path(), kDataHyo));
  Write(folder + "\\M6hink.DB", "x");
  EXPECT_TRUE(fs_->FileExists(folder + "\\M6hink.DB"));
  EXPECT_TRUE(Listed(folder, "M6hink.DB"));
  // Nothing was created under the name cut at the trail byte.
  EXPECT_FALSE(Listed(temp_.Path(), Utf8ToCp932("データ") + "\x95"));
}

TEST_P(FileSystemContract, CopyOverwritesAnExistingFile) {
  Write(temp_ / "a.dat", "new contents");
  Write(temp_ / "b.dat", "old contents that were longer");
  EXPECT_TRUE(fs_->CopyFileOver(temp_ / "a.dat", temp_ / "b.dat"));
  EXPECT_EQ(Read(temp_ / "b.dat"), "new contents");
  EXPECT_EQ(Read(temp_ / "a.dat"), "new contents");
  EXPECT_FALSE(fs_->CopyFileOver(temp_ / "missing.dat", temp_ / "c.dat"));
  EXPECT_FALSE(fs_->FileExists(temp_ / "c.dat"));
}

// Windows and Wine agree on read-only, hidden and system; Wine reports the archive bit
// on every file, so it is not checked.
TEST_P(FileSystemContract, ArchiveOnlyClearsReadOnlyHiddenAndSystem) {
  std::string file = temp_ / "t.DB";
  Write(file, "x");
  ASSERT_TRUE(fs_->SetAttributes(file, kAttributeReadOnly | kAttributeHidden | kAttributeSystem));
  std::uint32_t before = fs_->GetAttributes(file);
  EXPECT_TRUE(before & kAttributeReadOnly);
  EXPECT_TRUE(before & kAttributeHidden);
  EXPECT_TRUE(before & kAttributeSystem);
  ASSERT_TRUE(fs_->SetAttributes(file, kAttributeArchive));
  std::uint32_t after = fs_->GetAttributes(file);
  EXPECT_FALSE(after & (kAttributeReadOnly | kAttributeHidden | kAttributeSystem)) << after;
  EXPECT_FALSE(fs_->SetAttributes(temp_ / "missing.DB", kAttributeArchive));
  // A copy carries the read-only mark over; archive-only then clears it.
  ASSERT_TRUE(fs_->SetAttributes(file, kAttributeReadOnly));
  ASSERT_TRUE(fs_->CopyFileOver(file, temp_ / "copy.DB"));
  EXPECT_TRUE(fs_->GetAttributes(temp_ / "copy.DB") & kAttributeReadOnly);
  fs_->SetAttributes(file, kAttributeArchive);
  fs_->SetAttributes(temp_ / "copy.DB", kAttributeArchive);
}

TEST_P(FileSystemContract, ForceDirectoriesCreatesMissingParents) {
  std::string deep = temp_ / (kHinmeiMaster + "\\a\\" + kDataHyo + "\\c");
  EXPECT_TRUE(fs_->ForceDirectories(deep));
  EXPECT_TRUE(fs_->DirectoryExists(deep));
  EXPECT_TRUE(fs_->DirectoryExists(temp_ / (kHinmeiMaster + "\\a")));
  EXPECT_TRUE(fs_->ForceDirectories(deep + "\\"));  // existing, with a trailing delimiter
}

TEST_P(FileSystemContract, ForceDirectoriesFailsForImpossibleNames) {
  Write(temp_ / "file.txt", "x");
  EXPECT_FALSE(fs_->ForceDirectories(temp_ / "file.txt\\sub"));
  EXPECT_FALSE(fs_->ForceDirectories(temp_ / "file.txt"));
  EXPECT_FALSE(fs_->ForceDirectories(""));
  EXPECT_FALSE(fs_->ForceDirectories(temp_ / "bad\x95"));  // not valid CP932
  EXPECT_FALSE(fs_->DirectoryExists(temp_ / "file.txt\\sub"));
}

TEST_P(FileSystemContract, FileAndFolderTestsDoNotConfuseTheTwo) {
  fs_->ForceDirectories(temp_ / "folder");
  Write(temp_ / "file", "x");
  EXPECT_FALSE(fs_->FileExists(temp_ / "folder"));
  EXPECT_TRUE(fs_->DirectoryExists(temp_ / "folder"));
  EXPECT_FALSE(fs_->DirectoryExists(temp_ / "file"));
  EXPECT_TRUE(fs_->FileExists(temp_ / "file"));
  EXPECT_FALSE(fs_->FileExists(temp_ / "none"));
  EXPECT_FALSE(fs_->DirectoryExists(temp_ / "none"));
}

TEST_P(FileSystemContract, OpenFailuresCarryWindowsCodes) {
  EXPECT_EQ(CodeOf([&] { fs_->Open(temp_ / "none.txt", Access::kRead, Share::kRead, Disposition::kOpenExisting); }),
            kErrorFileNotFound);
  EXPECT_EQ(CodeOf([&] { fs_->Open(temp_ / "no\\none.txt", Access::kRead, Share::kRead, Disposition::kOpenExisting); }),
            kErrorPathNotFound);
  Write(temp_ / "x.txt", "x");
  EXPECT_EQ(CodeOf([&] { fs_->Open(temp_ / "x.txt", Access::kReadWrite, Share::kExclusive, Disposition::kCreateNew); }),
            kErrorFileExists);
  EXPECT_EQ(CodeOf([&] { fs_->ListFolder(temp_ / "none"); }), kErrorPathNotFound);
}

TEST_P(FileSystemContract, ExclusiveOpenConflictsWithEveryOtherOpen) {
  std::string file = temp_ / "t.DB";
  Write(file, "0123456789");
  {
    auto reader = fs_->Open(file, Access::kRead, Share::kReadWrite, Disposition::kOpenExisting);
    EXPECT_EQ(CodeOf([&] { fs_->Open(file, Access::kReadWrite, Share::kExclusive, Disposition::kOpenExisting); }),
              kErrorSharingViolation);
    auto second = fs_->Open(file, Access::kRead, Share::kReadWrite, Disposition::kOpenExisting);
    EXPECT_EQ(second->Size(), 10u);
  }
  auto holder = fs_->Open(file, Access::kReadWrite, Share::kExclusive, Disposition::kOpenExisting);
  EXPECT_EQ(CodeOf([&] { fs_->Open(file, Access::kRead, Share::kReadWrite, Disposition::kOpenExisting); }),
            kErrorSharingViolation);
  // A create that conflicts leaves the held file as it was.
  EXPECT_EQ(CodeOf([&] { fs_->Open(file, Access::kReadWrite, Share::kExclusive, Disposition::kCreateAlways); }),
            kErrorSharingViolation);
  EXPECT_EQ(holder->Size(), 10u);
}

TEST_P(FileSystemContract, HolderOfAnExclusiveOpenCanSwapTheFile) {
  std::string file = temp_ / "t.DB";
  Write(file, "old");
  Write(temp_ / "t.new", "new");
  auto holder = fs_->Open(file, Access::kReadWrite, Share::kExclusive, Disposition::kOpenExisting);
  fs_->RenameOver(file, temp_ / "t.bak");
  fs_->RenameOver(temp_ / "t.new", file);
  holder.reset();
  EXPECT_EQ(Read(file), "new");
  EXPECT_EQ(Read(temp_ / "t.bak"), "old");
}

TEST_P(FileSystemContract, ReadWriteTruncateAtOffsets) {
  std::string file = temp_ / "rw.bin";
  auto f = fs_->Open(file, Access::kReadWrite, Share::kExclusive, Disposition::kCreateNew);
  f->WriteAt(4, "bcd", 3);
  EXPECT_EQ(f->Size(), 7u);
  char buffer[16] = {};
  EXPECT_EQ(f->ReadAt(0, buffer, sizeof buffer), 7u);
  EXPECT_EQ(std::string(buffer, 7), std::string("\0\0\0\0bcd", 7));
  f->Truncate(5);
  f->Flush();
  EXPECT_EQ(f->ReadAt(3, buffer, sizeof buffer), 2u);
  f->Close();
  EXPECT_EQ(Read(file).size(), 5u);
}

// The engine reads one table from two threads at a time.
TEST_P(FileSystemContract, TwoThreadsReadOneFileAtOnce) {
  std::string data(1 << 20, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
  Write(temp_ / "shared.bin", data);
  auto file = fs_->Open(temp_ / "shared.bin", Access::kRead, Share::kRead, Disposition::kOpenExisting);
  std::atomic<int> wrong{0};
  auto reader = [&](std::size_t first) {
    std::vector<char> buffer(4096);
    for (int round = 0; round < 8; ++round) {
      for (std::size_t at = first; at < data.size(); at += 2 * buffer.size()) {
        std::size_t n = file->ReadAt(at, buffer.data(), buffer.size());
        if (n != buffer.size() || std::memcmp(buffer.data(), data.data() + at, n) != 0) ++wrong;
      }
    }
  };
  std::thread other(reader, 4096);
  reader(0);
  other.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_P(FileSystemContract, FolderFlushesAndEarlyWritebackKeepWhatIsThere) {
  Write(temp_ / "f.bin", "data");
  fs_->FlushFolder(temp_.Path());
  auto file = fs_->Open(temp_ / "f.bin", Access::kReadWrite, Share::kExclusive, Disposition::kOpenExisting);
  file->WriteAt(4, "more", 4);
  file->BeginFlush();
  file->Flush();
  file->Close();
  EXPECT_EQ(Read(temp_ / "f.bin"), "datamore");
  EXPECT_EQ(CodeOf([&] { fs_->FlushFolder(temp_ / "none"); }), kErrorFileNotFound);
}

// A flush begun goes on after its file is closed, and holds neither the file nor its
// share mode: the next change of the file takes it at once.
TEST_P(FileSystemContract, AFlushBegunLetsGoOfItsFileWhenItIsClosed) {
  const std::string data(8 << 20, 'x');
  auto file = fs_->Open(temp_ / "big.bin", Access::kReadWrite, Share::kExclusive, Disposition::kCreateNew);
  file->WriteAt(0, data.data(), data.size());
  file->BeginFlush();
  file->Close();
  auto again = fs_->Open(temp_ / "big.bin", Access::kReadWrite, Share::kExclusive, Disposition::kOpenExisting);
  again->WriteAt(data.size(), "end", 3);
  again->Flush();
  again.reset();
  fs_->RenameOver(temp_ / "big.bin", temp_ / "moved.bin");
  EXPECT_EQ(Read(temp_ / "moved.bin"), data + "end");
}

TEST_P(FileSystemContract, RenameReplacesAndRemoveDeletes) {
  Write(temp_ / "a", "A");
  Write(temp_ / "b", "B");
  fs_->RenameOver(temp_ / "a", temp_ / "b");
  EXPECT_FALSE(fs_->FileExists(temp_ / "a"));
  EXPECT_EQ(Read(temp_ / "b"), "A");
  fs_->RemoveFile(temp_ / "b");
  EXPECT_FALSE(fs_->FileExists(temp_ / "b"));
  EXPECT_EQ(CodeOf([&] { fs_->RemoveFile(temp_ / "b"); }), kErrorFileNotFound);
  fs_->ForceDirectories(temp_ / "d");
  fs_->RemoveFolder(temp_ / "d");
  EXPECT_FALSE(fs_->DirectoryExists(temp_ / "d"));
}

INSTANTIATE_TEST_SUITE_P(
    Implementations, FileSystemContract,
    ::testing::Values(Implementation{"Os", nullptr},
                      Implementation{"FaultInjectingWithoutFaults",
                                     [] { return std::make_unique<FaultInjectingFileSystem>(OsFileSystem()); }},
                      Implementation{"Memory", [] { return std::make_unique<MemoryFileSystem>(); }}),
    [](const ::testing::TestParamInfo<Implementation>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform
