// The file-system seam: every file and folder operation of the system goes through it.
//
// Paths are CP932 texts as the user typed them, with '\' as the delimiter. The Windows
// implementation converts them with code page 932 and calls the W functions; the POSIX
// one converts them to UTF-8 and maps '\' to '/' (after conversion, so that the trail
// byte 0x5C of a double-byte character stays part of its character).
//
// Failures of the operations that return nothing throw EInOutError with a Windows error
// code (the POSIX implementation translates errno) and the path concerned. The
// operations that answer bool report failure by answering false, as the Windows
// functions they stand for do.
//
// Share modes follow Windows: an open names what other opens of the same file may do
// meanwhile; an open that conflicts with one already held fails with
// kErrorSharingViolation. The POSIX implementation emulates them with flock(2) (shared
// lock for kRead, exclusive for kExclusive), which holds between processes and between
// two opens in one process.
#ifndef HINMEI_PLATFORM_FILE_SYSTEM_H_
#define HINMEI_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class Access { kRead, kReadWrite };

enum class Share {
  kReadWrite,  // others may read and write
  kRead,       // others may read, not write
  kExclusive,  // others may neither read nor write; renaming and deleting stay possible,
               // so that the holder can swap files in while it holds them
};

enum class Disposition {
  kOpenExisting,  // fails when the file is missing
  kCreateAlways,  // creates, or truncates an existing file
  kCreateNew,     // fails when the file exists
};

// Windows file attribute bits.
enum FileAttribute : std::uint32_t {
  kAttributeReadOnly = 0x01,
  kAttributeHidden = 0x02,
  kAttributeSystem = 0x04,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
};

// An open file. Closing happens in the destructor (errors ignored) or through Close()
// (errors thrown). Several threads may call ReadAt on one file at once: each call names
// its own offset and moves no shared position (pread on POSIX, ReadFile with an offset on
// Windows). Every other call needs the file to itself.
class File {
 public:
  virtual ~File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  virtual std::uint64_t Size() = 0;
  // Reads up to `length` bytes at `offset`; answers how many were read, fewer only at
  // the end of the file.
  virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
  // Writes all `length` bytes at `offset`, or throws.
  virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t length) = 0;
  virtual void Truncate(std::uint64_t size) = 0;
  // Starts making the data written so far durable and returns at once, so that the disk
  // works while the caller goes on (the file may be closed meanwhile); a later Flush
  // waits for what is left and reports what failed. Only a head start: where the system
  // offers none, it does nothing.
  virtual void BeginFlush() {}
  // Makes the written data durable.
  virtual void Flush() = 0;
  virtual void Close() = 0;

 protected:
  File() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

  // True for an existing file; a folder of that name does not count.
  virtual bool FileExists(const std::string& path) = 0;
  // True for an existing folder; a file of that name does not count.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates the folder together with its missing parents. True when it exists afterwards.
  virtual bool ForceDirectories(const std::string& path) = 0;
  // Copies a file over `to`, replacing a file of that name. True on success.
  virtual bool CopyFileOver(const std::string& from, const std::string& to) = 0;
  // Sets the file's attributes to exactly `attributes` (kAttribute* bits). True on success.
  virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
  // The attribute bits of a file or folder; throws when it does not exist.
  virtual std::uint32_t GetAttributes(const std::string& path) = 0;

  virtual void RemoveFile(const std::string& path) = 0;
  virtual void RemoveFolder(const std::string& path) = 0;  // an empty folder
  // Renames `from` to `to`, replacing a file named `to`, in one atomic step: whoever
  // opens `to` meanwhile finds the old file or the new one. On Windows the file being
  // replaced must not be open, not even by the caller.
  virtual void RenameOver(const std::string& from, const std::string& to) = 0;
  // Makes the folder's entries durable: files created, renamed into or removed from it
  // before the call are found so after a power cut.
  virtual void FlushFolder(const std::string& path) = 0;
  virtual std::unique_ptr<File> Open(const std::string& path, Access access, Share share,
                                     Disposition disposition) = 0;
  // Names (CP932, without the folder) of the entries of a folder, "." and ".." left out.
  // Names that CP932 cannot hold are left out too: no CP932 path could name them.
  virtual std::vector<std::string> ListFolder(const std::string& path) = 0;

 protected:
  FileSystem() = default;
};

// The implementation of the operating system the program runs on.
FileSystem& OsFileSystem();

// The operating system's folder for temporary files (CP932, no trailing delimiter).
std::string SystemTemporaryFolder();

// A new, empty folder below the system's temporary folder, named after `prefix`.
std::string MakeTemporaryFolder(FileSystem& fs, const std::string& prefix);

// Removes a folder with everything below it, clearing read-only marks on the way;
// what cannot be removed stays. A missing folder is no failure.
void RemoveFolderTree(FileSystem& fs, const std::string& path);

// Reads a whole file (opened for reading, others may read).
std::string ReadWholeFile(FileSystem& fs, const std::string& path);
// Writes a whole file, creating or truncating it, and flushes it.
void WriteWholeFile(FileSystem& fs, const std::string& path, const std::string& data);

}  // namespace platform

#endif  // HINMEI_PLATFORM_FILE_SYSTEM_H_
