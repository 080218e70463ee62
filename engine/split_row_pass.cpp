#include "engine/split_row_pass.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <memory>
#include <thread>

#include "engine/chain_walk.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"

namespace engine {
namespace {

#ifndef HINMEI_SMALL_THRESHOLDS
// Each thread reads windows small enough to stay in its core's cache until visited.
constexpr std::size_t kWindowBytes = 256 << 10;
// Smaller files are read by one thread: starting the second would save little.
constexpr std::uint64_t kSplitFromBytes = 2 << 20;
#else
// Fuzzing builds: the small tables of a fuzzer's input are read in halves too.
constexpr std::size_t kWindowBytes = 4 << 10;
constexpr std::uint64_t kSplitFromBytes = 2 << 10;
#endif

struct Half {
  int first;  // block numbers, 1-based, inclusive
  int last;
};

class HalfReader {
 public:
  HalfReader(platform::File& file, const format::Header& db, std::uint64_t present)
      : file_(file), db_(db), present_(present) {}

  // Visits the blocks of `half`; false at the first one that is not as the chain has it.
  // Adds the rows visited to `*rows`.
  bool Visit(Half half, const std::vector<RowVisitor*>& visitors, std::uint64_t* rows) {
    const auto block_size = static_cast<std::size_t>(db_.block_size());
    const int per_window = std::max(1, static_cast<int>(kWindowBytes / block_size));
    std::unique_ptr<char[]> window(new char[static_cast<std::size_t>(per_window) * block_size]);
    std::size_t position = 0;
    for (int first = half.first; first <= half.last; first += per_window) {
      const int blocks = std::min(per_window, half.last - first + 1);
      const std::uint64_t offset = static_cast<std::uint64_t>(first - 1) * block_size;
      const auto length =
          static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(blocks) * block_size, present_ - offset));
      if (file_.ReadAt(static_cast<std::uint64_t>(db_.header_size()) + offset, window.get(), length) != length) {
        return false;
      }
      for (int i = 0; i < blocks; ++i) {
        const int number = first + i;
        const char* block = window.get() + static_cast<std::size_t>(i) * block_size;
        const int count = CheckedCount(number, block);
        if (count < 0) return false;
        BlockRows visited(number, count, position, block + format::kBlockHeaderSize, db_.record_size());
        for (RowVisitor* v : visitors) v->Block(visited);
        position += static_cast<std::size_t>(count);
      }
    }
    *rows += position;
    return true;
  }

 private:
  // The block's record count when it lies in the file, links to the blocks before and
  // after it and holds a count it can; -1 otherwise.
  int CheckedCount(int number, const char* block) const {
    if (!BlockLiesInFile(db_, present_, number, 0)) return -1;
    const int next = number == db_.used_blocks() ? 0 : number + 1;
    if (format::GetLe16(block) != next || format::GetLe16(block + 2) != number - 1) return -1;
    const int count = RecordsOfBlockHead(block, db_.record_size());
    if (count < 0 || count > db_.records_per_block()) return -1;
    return BlockLiesInFile(db_, present_, number, count) ? count : -1;
  }

  platform::File& file_;
  const format::Header& db_;
  const std::uint64_t present_;
};

bool ChainedInNumberOrder(const format::Header& db) {
  const int used = db.used_blocks();
  return used >= 2 && db.first_block() == 1 && db.last_block() == used && used <= db.total_blocks() &&
         db.first_free_block() == 0;
}

// Visits the two halves side by side; false when either gives up or the rows found are
// not those the header counts.
bool VisitBothHalves(HalfReader& reader, const format::Header& db, const std::vector<RowVisitor*>& first,
                     const std::vector<RowVisitor*>& second) {
  const int middle = db.used_blocks() / 2;
  std::uint64_t first_rows = 0;
  std::uint64_t second_rows = 0;
  auto later = std::async(std::launch::async,
                          [&] { return reader.Visit(Half{middle + 1, db.used_blocks()}, second, &second_rows); });
  bool first_ok = false;
  try {
    first_ok = reader.Visit(Half{1, middle}, first, &first_rows);
  } catch (...) {
    later.wait();
    throw;
  }
  return later.get() && first_ok && first_rows + second_rows == db.records();
}

}  // namespace

HalvesPass VisitStoredRowsInHalves(platform::File& file, const format::Header& db,
                                   const std::vector<RowVisitor*>& visitors) {
  if (std::thread::hardware_concurrency() < 2 || !ChainedInNumberOrder(db)) return HalvesPass::kNotTaken;
  if (static_cast<std::uint64_t>(db.used_blocks()) * static_cast<std::uint64_t>(db.block_size()) < kSplitFromBytes) {
    return HalvesPass::kNotTaken;
  }
  try {
    const int middle = db.used_blocks() / 2;
    const auto per_block = static_cast<std::size_t>(db.records_per_block());
    const RowVisitor::PartShape shape{static_cast<std::size_t>(middle) * per_block,
                                      static_cast<std::size_t>(db.used_blocks() - middle) * per_block};
    std::vector<std::unique_ptr<RowVisitor>> parts;
    std::vector<RowVisitor*> second;
    for (RowVisitor* v : visitors) {
      parts.push_back(v->Part(shape));
      if (!parts.back()) return HalvesPass::kNotTaken;
      second.push_back(parts.back().get());
    }
    const BlocksInFile in_file = BlocksOfFile(db, file.Size());
    if (static_cast<std::uint64_t>(db.total_blocks()) > in_file.blocks) return HalvesPass::kNotTaken;

    HalfReader reader(file, db, in_file.present);
    if (!VisitBothHalves(reader, db, visitors, second)) return HalvesPass::kGaveUp;
    for (std::size_t i = 0; i < visitors.size(); ++i) visitors[i]->Join(*parts[i]);
    return HalvesPass::kVisited;
  } catch (...) {
    // Whatever went wrong, the pass through the chain stream meets it again and names it.
    return HalvesPass::kGaveUp;
  }
}

}  // namespace engine
