#include "engine/read/split_row_pass.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/read/chain_walk.h"

namespace engine {
namespace {

#ifndef HINMEI_SMALL_THRESHOLDS
// Each thread reads windows small enough to stay in its core's cache until visited.
constexpr std::size_t kWindowBytes = 256 << 10;
// Smaller files are read by one thread: starting the second would save little.
constexpr std::uint64_t kSplitFromBytes = 2 << 20;
// The blocks are shared out in runs of about this size, a run at a time.
constexpr std::uint64_t kRunBytes = 1 << 20;
#else
// Fuzzing builds: the small tables of a fuzzer's input are read in runs too.
constexpr std::size_t kWindowBytes = 4 << 10;
constexpr std::uint64_t kSplitFromBytes = 2 << 10;
constexpr std::uint64_t kRunBytes = 4 << 10;
#endif
// Enough runs for two threads to end together; beyond that, runs grow with the file.
constexpr int kMostRuns = 64;

struct Run {
  int first;  // block numbers, 1-based, inclusive
  int last;
};

class RunReader {
 public:
  RunReader(platform::File& file, const format::Header& db, std::uint64_t present)
      : file_(file), db_(db), present_(present) {}

  // Visits the blocks of `run` through `window`; false at the first one that is not as
  // the chain has it. Adds the rows visited to `*rows`.
  bool Visit(Run run, const std::vector<RowVisitor*>& visitors, std::vector<char>& window, std::uint64_t* rows) {
    const auto block_size = static_cast<std::size_t>(db_.block_size());
    const int per_window = std::max(1, static_cast<int>(kWindowBytes / block_size));
    window.resize(static_cast<std::size_t>(per_window) * block_size);
    std::size_t position = 0;
    for (int first = run.first; first <= run.last; first += per_window) {
      const int blocks = std::min(per_window, run.last - first + 1);
      const std::uint64_t offset = static_cast<std::uint64_t>(first - 1) * block_size;
      const auto length =
          static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(blocks) * block_size, present_ - offset));
      if (file_.ReadAt(static_cast<std::uint64_t>(db_.header_size()) + offset, window.data(), length) != length) {
        return false;
      }
      for (int i = 0; i < blocks; ++i) {
        const int number = first + i;
        const char* block = window.data() + static_cast<std::size_t>(i) * block_size;
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

// The used blocks in runs of about kRunBytes, at least two.
std::vector<Run> RunsOf(const format::Header& db) {
  const std::uint64_t bytes =
      static_cast<std::uint64_t>(db.used_blocks()) * static_cast<std::uint64_t>(db.block_size());
  const auto count = static_cast<int>(std::clamp<std::uint64_t>(bytes / kRunBytes, 2, kMostRuns));
  std::vector<Run> runs;
  for (int i = 0; i < count; ++i) {
    runs.push_back(Run{db.used_blocks() * i / count + 1, db.used_blocks() * (i + 1) / count});
  }
  return runs;
}

// The visitors of each run: the callers' own for the first, their parts for the others.
// Parts are asked for from the last run back, so that a visitor sets aside room for all
// of them at its first answer. Empty when a visitor has no parts.
std::vector<std::vector<RowVisitor*>> VisitorsOfRuns(const format::Header& db, const std::vector<Run>& runs,
                                                     const std::vector<RowVisitor*>& visitors,
                                                     std::vector<std::unique_ptr<RowVisitor>>& parts) {
  const auto per_block = static_cast<std::size_t>(db.records_per_block());
  std::vector<std::vector<RowVisitor*>> of_run(runs.size());
  of_run[0] = visitors;
  for (std::size_t r = runs.size() - 1; r > 0; --r) {
    const RowVisitor::PartShape shape{static_cast<std::size_t>(runs[r].first - 1) * per_block,
                                      static_cast<std::size_t>(runs[r].last - runs[r].first + 1) * per_block};
    for (RowVisitor* v : visitors) {
      parts.push_back(v->Part(shape));
      if (!parts.back()) return {};
      of_run[r].push_back(parts.back().get());
    }
  }
  return of_run;
}

// Visits the runs on this thread and a second one, each taking the next run not yet
// taken, so that a thread that starts late or is slowed takes fewer. False when any run
// gives up or the rows found are not those the header counts.
bool VisitRunsOnTwoThreads(RunReader& reader, const format::Header& db, const std::vector<Run>& runs,
                           const std::vector<std::vector<RowVisitor*>>& of_run, HelperThread& helper) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::uint64_t> rows(runs.size(), 0);
  auto take_runs = [&] {
    std::vector<char> window;
    try {
      for (std::size_t r; !failed && (r = next.fetch_add(1)) < runs.size();) {
        if (!reader.Visit(runs[r], of_run[r], window, &rows[r])) failed = true;
      }
    } catch (...) {
      failed = true;
    }
  };
  helper.Run(take_runs);
  take_runs();
  helper.Wait();
  std::uint64_t total = 0;
  for (std::uint64_t r : rows) total += r;
  return !failed && total == db.records();
}

}  // namespace

bool RowPassPaysForTwoThreads(const format::Header& db) {
  return static_cast<std::uint64_t>(db.used_blocks()) * static_cast<std::uint64_t>(db.block_size()) >= kSplitFromBytes;
}

SplitPass VisitStoredRowsInRuns(platform::File& file, const format::Header& db,
                                const std::vector<RowVisitor*>& visitors, HelperThread* helper) {
  if (!ChainedInNumberOrder(db) || !RowPassPaysForTwoThreads(db)) return SplitPass::kNotTaken;
  std::unique_ptr<HelperThread> own = helper ? nullptr : HelperThread::Start();
  if (!helper && !own) return SplitPass::kNotTaken;
  try {
    const std::vector<Run> runs = RunsOf(db);
    std::vector<std::unique_ptr<RowVisitor>> parts;
    const std::vector<std::vector<RowVisitor*>> of_run = VisitorsOfRuns(db, runs, visitors, parts);
    if (of_run.empty()) return SplitPass::kNotTaken;
    const BlocksInFile in_file = BlocksOfFile(db, file.Size());
    if (static_cast<std::uint64_t>(db.total_blocks()) > in_file.blocks) return SplitPass::kNotTaken;

    RunReader reader(file, db, in_file.present);
    if (!VisitRunsOnTwoThreads(reader, db, runs, of_run, helper ? *helper : *own)) return SplitPass::kGaveUp;
    for (std::size_t r = 1; r < runs.size(); ++r) {
      for (std::size_t i = 0; i < visitors.size(); ++i) visitors[i]->Join(*of_run[r][i]);
    }
    return SplitPass::kVisited;
  } catch (...) {
    // Whatever went wrong, the pass through the chain stream meets it again and names it.
    return SplitPass::kGaveUp;
  }
}

}  // namespace engine
