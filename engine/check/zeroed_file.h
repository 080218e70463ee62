// Whether a member file holds only zeros where its data should be: what a power cut
// leaves of a file whose size reached the disk but whose contents never did.
#ifndef HINMEI_ENGINE_CHECK_ZEROED_FILE_H_
#define HINMEI_ENGINE_CHECK_ZEROED_FILE_H_

#include "platform/file_system.h"

namespace engine {

enum class Zeroed {
  kNo,
  kWholeFile,  // every byte is zero (an empty file is not zeroed)
  kBlocks,     // the header is there, every byte after it is zero
};

// Throws what the file's reads throw.
Zeroed ZeroedPart(platform::File& file);

}  // namespace engine

#endif  // HINMEI_ENGINE_CHECK_ZEROED_FILE_H_
