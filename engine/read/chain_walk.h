// Walking the block chain of a member file (DB, PX, X or Y) in chain order with every
// structural check: each link inside the file, no loop, back links that agree, record
// counts a block can hold, records that lie in the file, and at the end the header's
// block, last-block and record counts; the free-block list separately. A damaged file
// throws ECorruptFile naming it, never a read outside the file or an endless walk.
//
// The walk asks for each block's bytes through a callback, so that a file read whole and
// a file read window by window (chain_stream.h) are checked by the same code.
#ifndef HINMEI_ENGINE_READ_CHAIN_WALK_H_
#define HINMEI_ENGINE_READ_CHAIN_WALK_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/format/header.h"

namespace engine {

// The records a block holds by its header's third word, or -1 when the word is no
// multiple of the record size.
int RecordsOfBlockHead(const char* block, int record_size);

// Where a file's blocks lie: the bytes after its header that they may occupy (up to
// its last block), and the blocks that begin in the file.
struct BlocksInFile {
  std::uint64_t present;
  std::uint64_t blocks;
};
BlocksInFile BlocksOfFile(const format::Header& header, std::uint64_t file_size);

// Whether block `number`'s header and its first `records` records lie in the `present`
// bytes after the file's header.
bool BlockLiesInFile(const format::Header& header, std::uint64_t present, int number, int records);

class ChainWalk {
 public:
  // The bytes of block `number` (1-based), at least its header and the records the file
  // holds of it; asked only for blocks inside the file.
  using Fetch = std::function<const char*(int number)>;
  // Called for each block of the chain, in chain order, once it passed its checks.
  using Visit = std::function<void(int number, int count, const char* block)>;

  // `present`: bytes of the file after its header, which its blocks may occupy.
  ChainWalk(const format::Header& header, std::uint64_t present, std::string path);

  void Walk(const Fetch& fetch, const Visit& visit);
  // Checks the free-block list; after Walk, so that it may not run through the chain.
  void CheckFreeList(const Fetch& fetch);

 private:
  // Throws unless the block's header and its first `records` records are in the file.
  void RequirePresent(int number, int records) const;
  [[noreturn]] void Corrupt(const std::string& detail) const;

  const format::Header& header_;
  std::uint64_t present_;
  std::string path_;
  std::vector<bool> seen_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_READ_CHAIN_WALK_H_
