// Whether a table that keeps blob data in its .MB file has that file: a table copied
// without it, once written, would be a family the original engine cannot read.
#ifndef HINMEI_ENGINE_CHECK_MEMO_FILE_PRESENT_H_
#define HINMEI_ENGINE_CHECK_MEMO_FILE_PRESENT_H_

#include <string>

#include "platform/file_system.h"

namespace engine {

// Throws the engine's memo-file-missing error naming the .MB when a row of the table keeps
// memo or blob data in a .MB file that is not there.
void RequireMemoFile(platform::FileSystem& fs, const std::string& db_path);

}  // namespace engine

#endif  // HINMEI_ENGINE_CHECK_MEMO_FILE_PRESENT_H_
