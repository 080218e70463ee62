// Blob fields of salvaged records against the family's .MB: a field whose data cannot be
// read back (a damaged or missing .MB block, a damaged descriptor) is blanked, so that
// the original engine never meets a descriptor it would call "Blob has been modified".
// The .MB itself is kept byte for byte (its blocks hold no back references), except a
// first unit that is no .MB header any more, which is written anew.
#ifndef HINMEI_ENGINE_REPAIR_BLOB_SALVAGE_H_
#define HINMEI_ENGINE_REPAIR_BLOB_SALVAGE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/header.h"
#include "platform/file_system.h"

namespace engine {

struct BlankedBlob {
  std::size_t row = 0;  // position among the records given
  int field = 0;        // position of the blob field
};

// Blanks every blob field of `rows` (positions into `records`, record_size bytes each)
// whose data cannot be read from `mb` (nullptr: the .MB is missing).
std::vector<BlankedBlob> BlankUnreadableBlobs(const format::Header& header, std::vector<char>& records,
                                              const std::vector<std::uint32_t>& rows, platform::File* mb,
                                              const std::string& mb_path);

// The first unit a .MB needs when its own is no .MB header (nothing when it is one),
// with the modification count of the blobs that rows keep there.
std::optional<std::string> MendedMemoHeader(platform::File& mb, const std::string& mb_path, std::uint16_t mod);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_BLOB_SALVAGE_H_
