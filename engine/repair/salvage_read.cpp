#include "engine/repair/salvage_read.h"

#include <algorithm>
#include <map>

#include "engine/errors.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/read/chain_walk.h"

namespace engine {
namespace {

enum class State : std::uint8_t { kUnseen, kChain, kFree, kGarbage, kCutOff };

// The blocks of the file as found.
class Blocks {
 public:
  Blocks(platform::File& file, const format::Header& h, const std::string& path)
      : record_size_(h.record_size()), block_size_(h.block_size()), capacity_(h.records_per_block()) {
    const std::uint64_t size = TranslateFileErrors(path, [&] { return file.Size(); });
    const auto header_size = static_cast<std::uint64_t>(h.header_size());
    const std::uint64_t after = size > header_size ? size - header_size : 0;
    const std::uint64_t blocks = (after + static_cast<std::uint64_t>(block_size_) - 1) / static_cast<std::uint64_t>(block_size_);
    count_ = static_cast<int>(std::min<std::uint64_t>(blocks, 0xFFFF));
    bytes_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(after, static_cast<std::uint64_t>(count_) * block_size_)));
    std::size_t got = bytes_.empty() ? 0 : TranslateFileErrors(path, [&] {
      return file.ReadAt(header_size, bytes_.data(), bytes_.size());
    });
    bytes_.resize(got);
    link_limit_ = std::max(count_, h.total_blocks());
  }

  int count() const { return count_; }
  int capacity() const { return capacity_; }

  // Bytes of block n (1-based) that the file holds.
  std::size_t present(int n) const {
    const std::size_t start = static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(block_size_);
    return start >= bytes_.size() ? 0 : std::min<std::size_t>(static_cast<std::size_t>(block_size_), bytes_.size() - start);
  }
  const char* at(int n) const { return bytes_.data() + static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(block_size_); }
  int next(int n) const { return format::GetLe16(at(n)); }
  int prev(int n) const { return format::GetLe16(at(n) + 2); }
  bool in_file(int n) const { return n >= 1 && n <= count_; }

  // A head whose record count a block can hold.
  bool holds_count(int n) const {
    if (present(n) < format::kBlockHeaderSize) return false;
    const int records = RecordsOfBlockHead(at(n), record_size_);
    return records >= 0 && records <= capacity_;
  }
  // A head that a block of the table could have: besides its count, links that name
  // blocks the table may have. Random bytes seldom pass.
  bool plausible(int n) const { return holds_count(n) && next(n) <= link_limit_ && prev(n) <= link_limit_; }
  // Records the head counts, and those of them the file holds whole.
  int counted(int n) const { return RecordsOfBlockHead(at(n), record_size_); }
  int held(int n) const {
    const std::size_t room = present(n) - format::kBlockHeaderSize;
    return std::min(counted(n), static_cast<int>(room / static_cast<std::size_t>(record_size_)));
  }
  // A block that never held anything: zeros where its head and first record would be.
  bool blank(int n) const {
    const std::size_t span = std::min(present(n), static_cast<std::size_t>(format::kBlockHeaderSize + record_size_));
    return std::all_of(at(n), at(n) + span, [](char c) { return c == 0; });
  }
  bool written(int n) const {
    return std::any_of(at(n), at(n) + present(n), [](char c) { return c != 0; });
  }

 private:
  int record_size_;
  int block_size_;
  int capacity_;
  int count_ = 0;
  int link_limit_ = 0;
  std::vector<char> bytes_;
};

class Salvager {
 public:
  Salvager(const Blocks& blocks, const format::Header& h, Salvage& out)
      : b_(blocks), h_(h), out_(out), state_(static_cast<std::size_t>(blocks.count()) + 1, State::kUnseen) {}

  void Run() {
    int tail = FollowChain();
    FollowFreeList();
    for (int n = 1; n <= b_.count(); ++n) {
      if (b_.written(n)) ++out_.written_blocks;
      if (state(n) != State::kUnseen) continue;
      if (b_.plausible(n) && !b_.blank(n)) {
        state(n) = State::kCutOff;
      } else if (!b_.blank(n)) {
        state(n) = State::kGarbage;
        out_.garbage_blocks.push_back(n);
      }
    }
    SpliceRuns(tail);
  }

 private:
  State& state(int n) { return state_[static_cast<std::size_t>(n)]; }

  // Takes the chain's blocks; answers the block it ended with, where a cut-off run may go
  // on (0 when there is none).
  int FollowChain() {
    int n = h_.first_block();
    int before = 0;
    while (b_.in_file(n) && state(n) == State::kUnseen) {
      // A block the chain leads to whose head is garbage, or which holds only zeros,
      // loses its records; the run that followed it may still be found.
      if (!b_.holds_count(n) || b_.blank(n)) {
        state(n) = State::kGarbage;
        out_.garbage_blocks.push_back(n);
        return n;
      }
      // A link the block does not confirm is not followed: the block is elsewhere in
      // the table, and is found as a cut-off block.
      if (b_.prev(n) != before) break;
      state(n) = State::kChain;
      out_.from_chain += Take(n);
      before = n;
      n = b_.next(n);
    }
    return before;
  }

  void FollowFreeList() {
    int n = h_.first_free_block();
    while (b_.in_file(n) && state(n) == State::kUnseen && b_.present(n) >= format::kBlockHeaderSize) {
      state(n) = State::kFree;
      ++out_.free_blocks;
      n = b_.next(n);
    }
  }

  // The cut-off block that follows `n` in its run, or 0.
  int Successor(int n) {
    int s = b_.next(n);
    return b_.in_file(s) && state(s) == State::kCutOff && b_.prev(s) == n ? s : 0;
  }

  // Cut-off runs: each first block with the blocks linked after it.
  std::map<int, std::vector<int>> Runs() {
    std::vector<bool> has_predecessor(state_.size(), false);
    for (int n = 1; n <= b_.count(); ++n) {
      if (state(n) != State::kCutOff) continue;
      if (int s = Successor(n)) has_predecessor[static_cast<std::size_t>(s)] = true;
    }
    std::map<int, std::vector<int>> runs;
    std::vector<bool> taken(state_.size(), false);
    auto run_from = [&](int first) {
      std::vector<int>& run = runs[first];
      for (int n = first; n != 0 && !taken[static_cast<std::size_t>(n)]; n = Successor(n)) {
        taken[static_cast<std::size_t>(n)] = true;
        run.push_back(n);
      }
    };
    for (int n = 1; n <= b_.count(); ++n) {
      if (state(n) == State::kCutOff && !has_predecessor[static_cast<std::size_t>(n)]) run_from(n);
    }
    // Runs linked into a ring have no first block: each starts at its lowest number.
    for (int n = 1; n <= b_.count(); ++n) {
      if (state(n) == State::kCutOff && !taken[static_cast<std::size_t>(n)]) run_from(n);
    }
    return runs;
  }

  // The runs in table order after the chain that ended with `tail`.
  void SpliceRuns(int tail) {
    std::map<int, std::vector<int>> runs = Runs();
    while (!runs.empty()) {
      auto next = runs.end();
      for (auto it = runs.begin(); it != runs.end(); ++it) {
        if (b_.prev(it->first) == tail) {
          next = it;
          break;
        }
      }
      if (next == runs.end()) next = runs.begin();
      for (int n : next->second) out_.from_cut_off += Take(n);
      tail = next->second.back();
      // A garbage block the run links to stands in its place: the run after it follows it.
      int after = b_.next(tail);
      if (b_.in_file(after) && state(after) == State::kGarbage) tail = after;
      runs.erase(next);
    }
  }

  std::size_t Take(int n) {
    const int held = b_.held(n);
    out_.cut_short += static_cast<std::size_t>(b_.counted(n) - held);
    const std::size_t bytes = static_cast<std::size_t>(held) * static_cast<std::size_t>(h_.record_size());
    const char* first = b_.at(n) + format::kBlockHeaderSize;
    out_.records.insert(out_.records.end(), first, first + bytes);
    out_.count += static_cast<std::size_t>(held);
    return static_cast<std::size_t>(held);
  }

  const Blocks& b_;
  const format::Header& h_;
  Salvage& out_;
  std::vector<State> state_;
};

}  // namespace

Salvage SalvageRecords(platform::File& file, const format::Header& header, const std::string& path) {
  Blocks blocks(file, header, path);
  Salvage out;
  out.blocks_in_file = blocks.count();
  Salvager(blocks, header, out).Run();
  std::sort(out.garbage_blocks.begin(), out.garbage_blocks.end());
  return out;
}

}  // namespace engine
