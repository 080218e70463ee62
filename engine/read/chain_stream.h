// Reading the blocks of a member file in chain order through a window of the file, with
// every check of chain_walk.h. A table of any size is read in windows and never
// held whole: a chain that runs in block-number order, as a rebuilt file's does, is read
// front to back; where the chain jumps, the window starts small again.
#ifndef HINMEI_ENGINE_READ_CHAIN_STREAM_H_
#define HINMEI_ENGINE_READ_CHAIN_STREAM_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/header.h"
#include "engine/read/chain_walk.h"
#include "platform/file_system.h"

namespace engine {

class ChainStream {
 public:
  // Checks that the file holds the blocks its header counts.
  ChainStream(platform::File& file, const format::Header& header, std::string path);

  // Calls `visit` for each block of the chain, in chain order, then checks the free-block
  // list. A block's bytes stay valid until `visit` returns.
  void ForEachBlock(const ChainWalk::Visit& visit);

 private:
  const char* Fetch(int number);
  // Reads `blocks` blocks from block `first` into the window (fewer at the file's end).
  void Read(int first, int blocks);

  platform::File& file_;
  const format::Header& header_;
  std::string path_;
  std::uint64_t present_ = 0;  // bytes of the file after its header, up to its last block
  int largest_ = 0;            // blocks of the largest window
  std::vector<char> window_;
  int first_ = 0;   // block number of the window's first block; 0: empty
  int blocks_ = 0;  // blocks it holds
};

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_CHAIN_STREAM_H_
