// Reading every record a damaged .DB still holds, in the table's order as far as it can
// be told, whatever its header's counts and its links say.
//
// The blocks are taken from the file's size, not from the header. The chain is followed
// from the header's first block for as long as each link is sound: the block lies in the
// file, has not been met before, names the block before it as its previous one, and its
// head holds a record count a block can hold. The free list is followed the same way;
// its blocks hold deleted rows and are not read. Every other block whose head is sound
// was cut off from the chain by a broken or looping link: its records are recovered.
// Cut-off blocks still linked to each other form runs; a run goes where its first block's
// back link puts it (after the block the chain, or a run before it, ended with), any
// other run after them, by block number. A block whose head is garbage loses its own
// records only; so do the records that a file cut short no longer holds whole.
#ifndef HINMEI_ENGINE_REPAIR_SALVAGE_READ_H_
#define HINMEI_ENGINE_REPAIR_SALVAGE_READ_H_

#include <cstddef>
#include <string>
#include <vector>

#include "engine/format/header.h"
#include "platform/file_system.h"

namespace engine {

struct Salvage {
  std::vector<char> records;  // record_size bytes each, in table order
  std::size_t count = 0;
  std::size_t from_chain = 0;      // records read along the chain
  std::size_t from_cut_off = 0;    // records of blocks the chain no longer reached
  std::vector<int> garbage_blocks;  // blocks whose head is garbage: their records are lost
  int free_blocks = 0;              // blocks on the free list, not read
  std::size_t cut_short = 0;        // records a block counts that lie past the file's end
  int blocks_in_file = 0;
  // Blocks holding anything but zeros: a file whose blocks never reached the disk has none.
  int written_blocks = 0;

  const char* record(std::size_t i, int record_size) const {
    return records.data() + i * static_cast<std::size_t>(record_size);
  }
};

// Reads the blocks of `file` as `header` lays them out (its header size, block size and
// record size; `header` may be another table's of the same structure).
Salvage SalvageRecords(platform::File& file, const format::Header& header, const std::string& path);

}  // namespace engine

#endif  // HINMEI_ENGINE_REPAIR_SALVAGE_READ_H_
