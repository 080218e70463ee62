#include "engine/chain_stream.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/errors.h"

namespace engine {
namespace {

// Windows read ahead are large: each is one hand-over between the threads, which costs
// more than the copy itself when it comes every few hundred KiB.
constexpr std::size_t kReadAheadWindowBytes = 4 << 20;
// Windows read on the visiting thread are small enough to stay in its cache.
constexpr std::size_t kAloneWindowBytes = 256 << 10;
// A file read ahead is read in at least this many windows; one too small for that is
// read on the calling thread alone.
constexpr int kReadAheadFromWindows = 8;

}  // namespace

// One thread that runs one read at a time for the stream.
class ChainStream::ReadAhead {
 public:
  explicit ReadAhead(std::function<void()>* job) : job_(job), thread_([this] { Run(); }) {}
  ~ReadAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  void Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    started_ = true;
    done_ = false;
    failure_ = nullptr;
    changed_.notify_all();
  }

  // Waits for the read started last; rethrows its failure.
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return started_ || stop_; });
      if (stop_) return;
      started_ = false;
      lock.unlock();
      std::exception_ptr failure;
      try {
        (*job_)();
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      failure_ = failure;
      done_ = true;
      changed_.notify_all();
    }
  }

  std::function<void()>* job_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false;
  bool done_ = true;
  bool stop_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

ChainStream::ChainStream(platform::File& file, const format::Header& header, std::string path, Pace pace)
    : file_(file), header_(header), path_(std::move(path)) {
  const auto block_size = static_cast<std::uint64_t>(header.block_size());
  const std::uint64_t size = TranslateFileErrors(path_, [&] { return file_.Size(); });
  const BlocksInFile in_file = BlocksOfFile(header, size);
  if (static_cast<std::uint64_t>(header.total_blocks()) > in_file.blocks) {
    ThrowCorrupt(texts::Format(texts::BlocksMissingFormat(),
                               {std::to_string(header.total_blocks()), std::to_string(in_file.blocks)}),
                 path_);
  }
  present_ = in_file.present;
  const int alone = std::max(1, static_cast<int>(kAloneWindowBytes / block_size));
  const int part_of_file = header.total_blocks() / kReadAheadFromWindows;
  const bool read_ahead = pace == Pace::kReadAhead && part_of_file >= alone;
  // Read ahead, a window is such a part of the file, as large as allowed.
  largest_ = read_ahead ? std::min(std::max(alone, static_cast<int>(kReadAheadWindowBytes / block_size)), part_of_file)
                        : std::min(alone, std::max(1, header.total_blocks()));
  current_.bytes.resize(static_cast<std::size_t>(largest_) * block_size);
  if (read_ahead) ahead_.bytes.resize(current_.bytes.size());
}

ChainStream::~ChainStream() = default;

void ChainStream::Read(Window& window, int first, int blocks) {
  const auto block_size = static_cast<std::uint64_t>(header_.block_size());
  const std::uint64_t offset = static_cast<std::uint64_t>(first - 1) * block_size;
  const auto length =
      static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(blocks) * block_size, present_ - offset));
  std::size_t got = TranslateFileErrors(path_, [&] {
    return file_.ReadAt(static_cast<std::uint64_t>(header_.header_size()) + offset, window.bytes.data(), length);
  });
  if (got != length) ThrowCorrupt(texts::BlocksNotReadWhole(), path_);
  window.first = first;
  window.blocks = blocks;
}

void ChainStream::StartReadAhead() {
  if (ahead_.bytes.empty()) return;
  const int next = current_.first + current_.blocks;
  const auto block_size = static_cast<std::uint64_t>(header_.block_size());
  if (next > header_.total_blocks() || static_cast<std::uint64_t>(next - 1) * block_size >= present_) return;
  const int blocks = std::min(largest_, current_.blocks * 2);
  job_first_ = next;
  job_ = [this, next, blocks] { Read(ahead_, next, blocks); };
  if (!reader_) reader_ = std::make_unique<ReadAhead>(&job_);
  reader_->Start();
  reading_ahead_ = true;
}

bool ChainStream::FinishReadAhead(int number) {
  if (!reading_ahead_) return false;
  reading_ahead_ = false;
  const bool wanted = number == job_first_;
  try {
    reader_->Wait();
  } catch (...) {
    if (wanted) throw;
    return false;  // bytes no one needs: their failure changes nothing
  }
  return wanted;
}

const char* ChainStream::Fetch(int number) {
  const auto block_size = static_cast<std::size_t>(header_.block_size());
  if (current_.first > 0 && number >= current_.first && number < current_.first + current_.blocks) {
    return current_.bytes.data() + static_cast<std::size_t>(number - current_.first) * block_size;
  }
  const bool goes_on = current_.first > 0 && number == current_.first + current_.blocks;
  if (FinishReadAhead(number)) {
    std::swap(current_, ahead_);
  } else {
    // A chain that goes on where the window ended reads ever larger windows; one that
    // jumps reads just its block and starts growing again from there.
    Read(current_, number, goes_on ? std::min(largest_, current_.blocks * 2) : current_.first > 0 ? 1 : largest_);
  }
  StartReadAhead();
  return current_.bytes.data();
}

void ChainStream::ForEachBlock(const ChainWalk::Visit& visit) {
  ChainWalk walk(header_, present_, path_);
  auto fetch = [&](int number) { return Fetch(number); };
  struct Settle {
    ChainStream& stream;
    ~Settle() { stream.FinishReadAhead(0); }
  } settle{*this};
  walk.Walk(fetch, visit);
  walk.CheckFreeList(fetch);
}

}  // namespace engine
