// Reading blob data from a .MB file (format/blob.h); memo_append.h adds new blobs.
#ifndef HINMEI_ENGINE_READ_MEMO_FILE_H_
#define HINMEI_ENGINE_READ_MEMO_FILE_H_

#include <cstdint>
#include <string>

#include "engine/format/header.h"
#include "platform/file_system.h"

namespace engine {

// The data of a blob field; the .MB file is needed only when the data is not all in the
// leader (nullptr otherwise). A descriptor that does not match the .MB ("Blob has been
// modified" to the original engine) is an engine error.
std::string ReadBlob(platform::File* mb, const std::string& mb_path, const format::FieldDescriptor& field,
                     const char* data);

// The modification count in a .MB header (new blobs carry it).
std::uint16_t MemoModCount(platform::File& mb, const std::string& path);

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_MEMO_FILE_H_
