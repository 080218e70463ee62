// Reading the blocks of a member file in chain order through a window of the file, with
// every check of chain_walk.h. A table of any size is read in large reads and never
// held whole: a chain that runs in block-number order, as a rebuilt file's does, is read
// front to back; where the chain jumps, the window starts small again.
//
// A caller whose visits do real work per row (making index records) asks for reading
// ahead: the next window is then read on another thread while the blocks of this one are
// visited. A pass that only looks at the rows is bound by the memory's speed, and a
// second thread would only move the bytes between the cores' caches: it reads small
// windows on its own thread, which stay in the cache until they are visited.
#ifndef HINMEI_ENGINE_CHAIN_STREAM_H_
#define HINMEI_ENGINE_CHAIN_STREAM_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/chain_walk.h"
#include "engine/format/header.h"
#include "platform/file_system.h"

namespace engine {

class ChainStream {
 public:
  enum class Pace { kAlone, kReadAhead };

  // Checks that the file holds the blocks its header counts.
  ChainStream(platform::File& file, const format::Header& header, std::string path, Pace pace = Pace::kAlone);
  ~ChainStream();

  // Calls `visit` for each block of the chain, in chain order, then checks the free-block
  // list. A block's bytes stay valid until `visit` returns. No read of the file is under
  // way once it returns.
  void ForEachBlock(const ChainWalk::Visit& visit);

 private:
  struct Window {
    std::vector<char> bytes;
    int first = 0;   // block number of its first block; 0: empty
    int blocks = 0;  // blocks it holds
  };
  class ReadAhead;

  const char* Fetch(int number);
  // Reads `blocks` blocks from block `first` into `window` (fewer at the file's end).
  void Read(Window& window, int first, int blocks);
  // Starts reading the window after the current one, when the file goes on.
  void StartReadAhead();
  // Waits for a read started ahead; true when it holds block `number`. Its failure is
  // thrown only when its bytes are wanted.
  bool FinishReadAhead(int number);

  platform::File& file_;
  const format::Header& header_;
  std::string path_;
  std::uint64_t present_ = 0;  // bytes of the file after its header, up to its last block
  int largest_ = 0;            // blocks of the largest window
  Window current_;
  Window ahead_;
  std::function<void()> job_;  // the read ahead
  int job_first_ = 0;          // its first block
  bool reading_ahead_ = false;
  std::unique_ptr<ReadAhead> reader_;  // for files of several windows, once needed
};

}  // namespace engine

#endif  // HINMEI_ENGINE_CHAIN_STREAM_H_
