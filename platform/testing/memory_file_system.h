// A FileSystem held wholly in memory, one flat folder per path prefix: the table fuzzer
// runs the engine's family operations on it millions of times without a disk, and the
// power-cut tests ask it what a cut at any moment would leave.
//
// It keeps the rules of Windows that the engine has to live with: paths compare without
// regard to the case of ASCII letters; an exclusive open fails while any other handle is
// open on the file, and any open fails while an exclusive one is held; a file that is
// open cannot be replaced by a rename, not even by its holder; a file open other than
// exclusively (which shares deletion) cannot be removed.
//
// What would survive a power cut is kept beside what is: a file's data as of its last
// Flush (data never flushed reads back as zeros of the file's length), and the folders'
// entries as of the last FlushFolder, followed by the creations, renames and removals
// since then, which the disk puts down in the order they were made. As on a journaling
// file system, a flush of any folder puts down every entry change made before it.
// Folders themselves are durable once made.
#ifndef HINMEI_PLATFORM_TESTING_MEMORY_FILE_SYSTEM_H_
#define HINMEI_PLATFORM_TESTING_MEMORY_FILE_SYSTEM_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace platform::testing {

class MemoryFileSystem final : public FileSystem {
 public:
  MemoryFileSystem() = default;

  // Puts a file into the store, durable at once (its folder comes into being with it).
  void Put(const std::string& path, std::string bytes);
  // The files as they are now, by path.
  std::map<std::string, std::string> Files() const;
  // A file's bytes as they are now, whoever holds it; empty when there is no such file.
  std::string Bytes(const std::string& path) const;

  // Entry changes made since the last FlushFolder, which a power cut may lose from the
  // last one backwards.
  std::size_t UnflushedEntryChanges() const { return journal_.size(); }
  // What a power cut now leaves when the first `kept` of those entry changes reached
  // the disk: a new store with no file open.
  std::unique_ptr<MemoryFileSystem> AfterPowerCut(std::size_t kept) const;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool CopyFileOver(const std::string& from, const std::string& to) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::uint32_t GetAttributes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RemoveFolder(const std::string& path) override;
  void RenameOver(const std::string& from, const std::string& to) override;
  void FlushFolder(const std::string& path) override;
  std::unique_ptr<File> Open(const std::string& path, Access access, Share share,
                             Disposition disposition) override;
  std::vector<std::string> ListFolder(const std::string& path) override;

  struct Node {
    std::string bytes;
    std::string durable;       // the data as of the last Flush
    bool ever_flushed = false;
    std::uint32_t attributes = kAttributeArchive;
    int opens = 0;
    bool exclusive = false;
  };

 private:
  struct Entry {
    std::string path;  // as first given
    std::shared_ptr<Node> node;
  };
  using Entries = std::map<std::string, Entry>;  // by Key(path)
  // One change of the entries, made whole or not at all: each path names its node
  // afterwards, or nothing when the node is null (a rename is two of them).
  struct EntryChange {
    std::vector<Entry> entries;
  };

  // Paths compare without regard to the case of ASCII letters, as on Windows.
  static std::string Key(const std::string& path);
  std::shared_ptr<Node>* Find(const std::string& path);
  // Changes the entries now and notes the change for a power cut.
  void Change(EntryChange change);
  static void Apply(Entries& entries, const EntryChange& change);

  Entries files_;
  Entries durable_files_;               // the entries as of the last FlushFolder
  std::vector<EntryChange> journal_;    // entry changes since then, in order
  std::vector<std::string> folders_;    // by Key(path)
};

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_MEMORY_FILE_SYSTEM_H_
