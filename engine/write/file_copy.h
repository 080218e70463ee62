// Copying whole files for the engine's changes, with the system's copy where it works.
#ifndef HINMEI_ENGINE_WRITE_FILE_COPY_H_
#define HINMEI_ENGINE_WRITE_FILE_COPY_H_

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace engine {

// Copies the bytes of `in` to the same offsets of `out`; answers their count.
std::uint64_t CopyBetweenFiles(platform::File& in, platform::File& out);

// Copies `from` into `out` by reading and writing, for where the system's copy refuses
// (some network file systems, a source it cannot share).
void CopyThroughFiles(platform::FileSystem& fs, const std::string& from, platform::File& out);

// Copies `from` over `to` with archive marks only and starts writing it to the disk
// without waiting for that: whoever gives the copy a family name flushes it first.
// False, with nothing written, when there is no `from`; a failure of the copy throws
// platform::EInOutError.
bool CopyStartingWriteback(platform::FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_FILE_COPY_H_
