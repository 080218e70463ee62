// A FileSystem held wholly in memory, one flat folder per path prefix, so that the table
// fuzzer can run the engine's family operations millions of times without a disk.
//
// Share modes are kept as the Windows ones are: an exclusive open fails while any other
// handle is open on the file, and any open fails while an exclusive one is held.
#ifndef HINMEI_ENGINE_FUZZ_MEMORY_FILE_SYSTEM_H_
#define HINMEI_ENGINE_FUZZ_MEMORY_FILE_SYSTEM_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace engine::fuzz {

class MemoryFileSystem final : public platform::FileSystem {
 public:
  MemoryFileSystem() = default;

  // Puts a file into the store (its folder comes into being with it).
  void Put(const std::string& path, std::string bytes);
  // The files as they are now, by path.
  std::map<std::string, std::string> Files() const;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool CopyFileOver(const std::string& from, const std::string& to) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::uint32_t GetAttributes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void RemoveFolder(const std::string& path) override;
  void RenameOver(const std::string& from, const std::string& to) override;
  std::unique_ptr<platform::File> Open(const std::string& path, platform::Access access,
                                       platform::Share share,
                                       platform::Disposition disposition) override;
  std::vector<std::string> ListFolder(const std::string& path) override;

  struct Node {
    std::string bytes;
    int opens = 0;
    bool exclusive = false;
  };

 private:
  // Paths compare without regard to the case of ASCII letters, as on Windows.
  static std::string Key(const std::string& path);
  std::shared_ptr<Node>* Find(const std::string& path);

  struct Entry {
    std::string path;  // as first given
    std::shared_ptr<Node> node;
  };
  std::map<std::string, Entry> files_;  // by Key(path)
  std::vector<std::string> folders_;    // by Key(path)
};

}  // namespace engine::fuzz

#endif  // HINMEI_ENGINE_FUZZ_MEMORY_FILE_SYSTEM_H_
