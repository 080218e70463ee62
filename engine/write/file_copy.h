// Copying whole files for the engine's changes, with the system's copy where it works.
#ifndef HINMEI_ENGINE_WRITE_FILE_COPY_H_
#define HINMEI_ENGINE_WRITE_FILE_COPY_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace engine {

// Copies the bytes of `in` to the same offsets of `out`; answers their count.
std::uint64_t CopyBetweenFiles(platform::File& in, platform::File& out);

// Copies `from` over `to` (the system's copy, or reading and writing where that refuses)
// and answers `to` open for reading and writing, held alone; null, with nothing written,
// when there is no `from`. With `archive_only` the copy loses the read-only, hidden and
// system marks the system's copy gives it from `from`.
std::unique_ptr<platform::File> CopyAndOpen(platform::FileSystem& fs, const std::string& from, const std::string& to,
                                            bool archive_only);

// Copies `from` over `to` with archive marks only and begins its flush (File::BeginFlush)
// without waiting for it: whoever gives the copy a family name flushes it first.
// False, with nothing written, when there is no `from`; a failure of the copy throws
// platform::EInOutError.
bool CopyStartingFlush(platform::FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace engine

#endif  // HINMEI_ENGINE_WRITE_FILE_COPY_H_
