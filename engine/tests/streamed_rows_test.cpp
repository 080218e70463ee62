// Index builds that read the table's rows from the file as they go (a secondary index,
// or a primary one over a table keyed so already): chains that run out of block order,
// rows that turn out to need sorting, and damaged files, which give the same engine
// errors as a whole read and write nothing. A chain in block order is read on two
// threads, which take runs of blocks in turn; anything else falls back to the one-thread
// read.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <memory>
#include <random>
#include <thread>

#include "engine/check/family_check.h"
#include "engine/engine_texts.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/operations/table_operations.h"
#include "engine/read/split_row_pass.h"
#include "engine/tests/test_support.h"
#include "engine/write/pending_changes.h"
#include "platform/exceptions.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using format::GetLe16;
using format::PutLe16;
namespace off = format::off;

constexpr int kRecord = 34;

class StreamedRows : public ::testing::Test {
 protected:
  // A keyed table of `rows` rows in 1 KiB blocks of 29 rows: codes 0, 2, 4, ...
  void Create(int rows) {
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(1));
    for (int i = 0; i < rows; ++i) {
      creator.AddRow({FieldValue::Integer(2 * i), FieldValue::Text(testing::Numbered(i % 2 ? "name" : "NAME", i % 97)),
                      FieldValue()});
    }
    creator.Finish();
    platform::OsFileSystem().RemoveFile(temp_ / "T.PX");
    bytes_ = testing::ReadBytes(path_);
  }

  static char* Block(std::string& bytes, int n) { return bytes.data() + testing::kSmallHeader + (n - 1) * testing::kSmallBlock; }

  // The same table with block k stored as block number[k - 1], the chain unchanged.
  std::string Renumbered(const std::vector<int>& number) const {
    std::string out = bytes_;
    auto renumber = [&](int n) { return n == 0 ? 0 : number[static_cast<std::size_t>(n - 1)]; };
    std::string copy = bytes_;
    for (int k = 1; k <= static_cast<int>(number.size()); ++k) {
      char* to = Block(out, renumber(k));
      std::copy(Block(copy, k), Block(copy, k) + testing::kSmallBlock, to);
      PutLe16(to, static_cast<std::uint16_t>(renumber(GetLe16(to))));
      PutLe16(to + 2, static_cast<std::uint16_t>(renumber(GetLe16(to + 2))));
    }
    PutLe16(out.data() + off::kFirstBlock, static_cast<std::uint16_t>(renumber(GetLe16(out.data() + off::kFirstBlock))));
    PutLe16(out.data() + off::kLastBlock, static_cast<std::uint16_t>(renumber(GetLe16(out.data() + off::kLastBlock))));
    return out;
  }

  void Build(const char* name, const char* fields, IndexOptions options) {
    BuildIndex(platform::OsFileSystem(), path_, name, fields, options);
  }

  // The build fails with an engine error naming the table, and nothing is written.
  void ExpectRefused(const std::string& bytes, const char* why) {
    testing::WriteBytes(path_, bytes);
    for (bool primary : {true, false}) {
      SCOPED_TRACE(primary ? "primary" : "secondary");
      try {
        primary ? Build("", "Code", ixPrimary) : Build("ByName", "Name", ixCaseInsensitive);
        ADD_FAILURE() << "no error for " << why;
      } catch (const platform::EDBEngineError& e) {
        EXPECT_NE(std::string(e.what()).find(path_), std::string::npos) << why << ": " << e.what();
      }
      EXPECT_EQ(testing::FilesIn(temp_.Path()), std::vector<std::string>{"T.DB"}) << why;
      EXPECT_EQ(testing::ReadBytes(path_), bytes) << why;
    }
  }

  // A secondary build over the table `bytes`, with each file operation in turn failing:
  // it fails with nothing written or with its change left for the next open to finish,
  // or (a read done again) leaves a sound family; the DB stays as it was either way.
  void ExpectEveryFailureClean(const std::string& bytes) {
    testing::WriteBytes(path_, bytes);
    for (long n = 1;; ++n) {
      for (const std::string& name : testing::FilesIn(temp_.Path())) {
        if (name != "T.DB") platform::OsFileSystem().RemoveFile(temp_ / name);
      }
      platform::testing::FaultInjectingFileSystem fs(platform::OsFileSystem());
      fs.FailAt(n);
      bool failed = false;
      try {
        BuildIndex(fs, path_, "ByName", "Name", ixCaseInsensitive);
      } catch (const platform::EDBEngineError&) {
        failed = true;
      }
      if (!fs.Triggered()) break;
      SCOPED_TRACE(fs.Trace()[static_cast<std::size_t>(n - 1)]);
      EXPECT_EQ(testing::ReadBytes(path_), bytes);
      FinishPendingChanges(platform::OsFileSystem(), temp_.Path());
      if (failed && testing::FilesIn(temp_.Path()).size() == 1) {
        EXPECT_EQ(testing::FilesIn(temp_.Path()), std::vector<std::string>{"T.DB"});
      } else {
        CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
        EXPECT_TRUE(report.ok()) << report.problems[0];
      }
    }
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
  std::string bytes_;
};

// Notes each block it sees; its parts note theirs, and a join adds them after its own
// with their positions moved on by the rows before.
class BlockLog final : public RowVisitor {
 public:
  struct Seen {
    int number;
    int count;
    std::size_t first;
  };
  explicit BlockLog(bool parts = true) : parts_(parts) {}
  void Block(const BlockRows& rows) override { seen.push_back({rows.number, rows.count, rows.first}); }
  std::unique_ptr<RowVisitor> Part(const PartShape& s) override {
    shapes.push_back(s);
    return parts_ ? std::make_unique<BlockLog>() : nullptr;
  }
  void Join(RowVisitor& part) override {
    std::size_t before = seen.empty() ? 0 : seen.back().first + static_cast<std::size_t>(seen.back().count);
    for (Seen s : static_cast<BlockLog&>(part).seen) seen.push_back({s.number, s.count, s.first + before});
  }
  std::vector<Seen> seen;
  std::vector<PartShape> shapes;

 private:
  bool parts_;
};

bool InRuns(platform::FileSystem& fs, const std::string& path, const std::vector<RowVisitor*>& visitors) {
  auto file = fs.Open(path, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  format::Header header = ReadHeader(*file, path);
  return VisitStoredRowsInRuns(*file, header, visitors) == SplitPass::kVisited;
}

TEST_F(StreamedRows, AChainOutOfBlockOrderIsReadInChainOrder) {
  Create(60000);  // 2069 blocks: many windows
  // The first half of the chain in block order, so that the reads grow; the rest
  // scattered, so that they start small again at every jump.
  const int blocks = GetLe16(bytes_.data() + off::kTotalBlocks);
  std::vector<int> number(static_cast<std::size_t>(blocks));
  std::iota(number.begin(), number.end(), 1);
  std::shuffle(number.begin() + blocks / 2, number.end(), std::mt19937(5));
  const std::string shuffled = Renumbered(number);
  testing::WriteBytes(path_, shuffled);

  Build("", "Code", ixPrimary);
  EXPECT_EQ(testing::ReadBytes(path_), shuffled) << "rows in key order in full blocks stay where they are";
  Build("ByName", "Name", ixCaseInsensitive);
  EXPECT_EQ(testing::ReadBytes(path_), shuffled);
  CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
  EXPECT_TRUE(report.ok()) << report.problems[0];
  for (const std::string& note : report.notes) EXPECT_EQ(note.find("hints"), std::string::npos) << note;
  testing::ExpectSoundFamily(path_);
}

TEST_F(StreamedRows, AFailedReadStopsTheBuildAndAReadNotNeededChangesNothing) {
  Create(60000);
  // The chain runs through blocks 1-600, then jumps to 1500 and goes on to the end,
  // then comes back for 601-1499: at the first jump the window read is not the one the
  // chain needs.
  const int blocks = GetLe16(bytes_.data() + off::kTotalBlocks);
  std::vector<int> number;
  for (int k = 1; k <= 600; ++k) number.push_back(k);
  for (int k = 1500; k <= blocks; ++k) number.push_back(k);
  for (int k = 601; k < 1500; ++k) number.push_back(k);
  ExpectEveryFailureClean(Renumbered(number));
}

TEST_F(StreamedRows, RowsOutOfOrderOrInPartlyFilledBlocksAreWrittenAnew) {
  Create(100);
  // Two rows of the second block swapped: the keys no longer rise.
  std::string swapped = bytes_;
  char* b2 = Block(swapped, 2) + format::kBlockHeaderSize;
  std::swap_ranges(b2, b2 + kRecord, b2 + kRecord);
  testing::WriteBytes(path_, swapped);
  Build("", "Code", ixPrimary);
  auto rows = testing::ReadRows(path_);
  ASSERT_EQ(rows.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)][0], FieldValue::Integer(2 * i));
  testing::ExpectSoundFamily(path_);

  // The first block's last row moved to a block of its own between the first two.
  std::string partly = bytes_;
  const int total = GetLe16(partly.data() + off::kTotalBlocks);
  partly.append(testing::kSmallBlock, '\0');
  char* first = Block(partly, 1);
  char* added = Block(partly, total + 1);
  std::copy(first + format::kBlockHeaderSize + 28 * kRecord, first + format::kBlockHeaderSize + 29 * kRecord,
            added + format::kBlockHeaderSize);
  PutLe16(added, 2);
  PutLe16(added + 2, 1);
  PutLe16(added + 4, 0);
  PutLe16(first, static_cast<std::uint16_t>(total + 1));
  PutLe16(first + 4, static_cast<std::uint16_t>(27 * kRecord));
  PutLe16(Block(partly, 2) + 2, static_cast<std::uint16_t>(total + 1));
  for (int field : {off::kUsedBlocks, off::kTotalBlocks, off::kMaxBlocks}) {
    PutLe16(partly.data() + field, static_cast<std::uint16_t>(total + 1));
  }
  testing::WriteBytes(path_, partly);
  ASSERT_NO_THROW(testing::LoadMember(path_)) << "a sound chain";
  Build("", "Code", ixPrimary);
  EXPECT_EQ(testing::LoadMember(path_).header().total_blocks(), total) << "packed again";
  EXPECT_EQ(testing::ReadRows(path_).size(), 100u);
  testing::ExpectSoundFamily(path_);

  // Two rows with one key: a key violation, and nothing is written.
  std::string twice = bytes_;
  char* b3 = Block(twice, 3) + format::kBlockHeaderSize;
  std::copy(b3, b3 + 4, b3 + kRecord);
  testing::WriteBytes(path_, twice);
  try {
    Build("", "Code", ixPrimary);
    ADD_FAILURE() << "no key violation";
  } catch (const platform::EDBEngineError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(texts::KeyViolation(), 0), 0u) << e.what();
  }
  EXPECT_EQ(testing::ReadBytes(path_), twice);
}

TEST_F(StreamedRows, AChainInBlockOrderIsReadInRunsThatJoinInChainOrder) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor: one thread reads";
  Create(60000);  // 2069 blocks of 29 rows, 22 in the last
  const int blocks = GetLe16(bytes_.data() + off::kTotalBlocks);
  BlockLog log;
  ASSERT_TRUE(InRuns(platform::OsFileSystem(), path_, {&log}));
  // The parts, asked for from the last back, cover every block after the first run.
  ASSERT_GE(log.shapes.size(), 1u);
  std::size_t end = static_cast<std::size_t>(blocks) * 29;
  for (const RowVisitor::PartShape& shape : log.shapes) {
    EXPECT_EQ(shape.rows_before + shape.rows, end);
    EXPECT_GT(shape.rows, 0u);
    end = shape.rows_before;
  }
  EXPECT_GT(end, 0u) << "the first run is the visitor's own";
  ASSERT_EQ(log.seen.size(), static_cast<std::size_t>(blocks));
  std::size_t rows = 0;
  for (int n = 1; n <= blocks; ++n) {
    const BlockLog::Seen& s = log.seen[static_cast<std::size_t>(n - 1)];
    ASSERT_EQ(s.number, n);
    ASSERT_EQ(s.first, rows);
    rows += static_cast<std::size_t>(s.count);
  }
  EXPECT_EQ(rows, 60000u);

  // A visitor that must see every row itself keeps the pass on one thread, before any
  // row is read.
  BlockLog whole(/*parts=*/false);
  BlockLog other;
  EXPECT_FALSE(InRuns(platform::OsFileSystem(), path_, {&other, &whole}));
  EXPECT_TRUE(whole.seen.empty());
  EXPECT_TRUE(other.seen.empty());

  // Both builds read it so, and leave what the one-thread read leaves.
  Build("", "Code", ixPrimary);
  EXPECT_EQ(testing::ReadBytes(path_), bytes_) << "rows in key order in full blocks stay where they are";
  Build("ByName", "Name", ixCaseInsensitive);
  CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
  EXPECT_TRUE(report.ok()) << report.problems[0];
  testing::ExpectSoundFamily(path_);
}

TEST_F(StreamedRows, TheTwoThreadReadGivesUpOnAnyOtherFileAndTheOneThreadReadDecides) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor: one thread reads";
  Create(60000);
  const int blocks = GetLe16(bytes_.data() + off::kTotalBlocks);
  auto gives_up = [&](const std::string& bytes, const char* why) {
    testing::WriteBytes(path_, bytes);
    BlockLog log;
    EXPECT_FALSE(InRuns(platform::OsFileSystem(), path_, {&log})) << why;
  };
  {
    std::string jump = bytes_;  // the last two blocks swapped in the chain
    std::vector<int> number(static_cast<std::size_t>(blocks));
    std::iota(number.begin(), number.end(), 1);
    std::swap(number[static_cast<std::size_t>(blocks - 2)], number[static_cast<std::size_t>(blocks - 1)]);
    gives_up(Renumbered(number), "a chain out of block order");
    std::string free_block = bytes_;
    free_block.append(testing::kSmallBlock, '\0');
    PutLe16(free_block.data() + off::kTotalBlocks, static_cast<std::uint16_t>(blocks + 1));
    PutLe16(free_block.data() + off::kMaxBlocks, static_cast<std::uint16_t>(blocks + 1));
    PutLe16(free_block.data() + off::kFirstFree, static_cast<std::uint16_t>(blocks + 1));
    gives_up(free_block, "a free block");
  }
  // Damage in any run: the one-thread read names it, and nothing is written.
  struct Damage {
    const char* why;
    std::function<void(std::string&)> apply;
  };
  const Damage damages[] = {
      {"a back link in a late run", [&](std::string& b) { PutLe16(Block(b, blocks - 5) + 2, 7); }},
      {"a record count in the first run", [](std::string& b) { PutLe16(Block(b, 3) + 4, 30 * kRecord); }},
      {"the header's record count", [](std::string& b) { PutLe16(b.data() + off::kRecords, 59999); }},
      {"the file cut inside its last block", [](std::string& b) { b.resize(b.size() - testing::kSmallBlock + 100); }},
  };
  for (const Damage& d : damages) {
    std::string b = bytes_;
    d.apply(b);
    gives_up(b, d.why);
    ExpectRefused(b, d.why);
  }
}

TEST_F(StreamedRows, APartlyFilledBlockInTheFirstRunLeavesEveryXRecordInPlace) {
  Create(60000);
  // The first block's last row dropped: the chain stays in block order, but the later
  // runs' records no longer start where the room of the runs before them ends.
  std::string partly = bytes_;
  PutLe16(Block(partly, 1) + 4, static_cast<std::uint16_t>(27 * kRecord));
  PutLe16(partly.data() + off::kRecords, 59999);
  testing::WriteBytes(path_, partly);
  Build("ByName", "Name", ixCaseInsensitive);
  EXPECT_EQ(testing::ReadBytes(path_), partly);
  CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
  EXPECT_TRUE(report.ok()) << report.problems[0];
  Build("", "Code", ixPrimary);
  EXPECT_EQ(testing::ReadRows(path_).size(), 59999u) << "packed again";
  testing::ExpectSoundFamily(path_);
}

TEST_F(StreamedRows, AFailedReadOnEitherThreadFailsCleanlyOrIsReadAgain) {
  Create(60000);
  ExpectEveryFailureClean(bytes_);
}

// The checks themselves are the whole read's (damaged_table_test.cpp); these cases go
// through what reading window by window adds: the file's length, the last block read
// short, the free list fetched apart from the chain, the counts checked at the end.
TEST_F(StreamedRows, DamageIsAnEngineErrorAndNothingIsWritten) {
  Create(80);  // blocks of 29, 29 and 22 rows
  struct Damage {
    const char* why;
    std::function<void(std::string&)> apply;
  };
  const Damage damages[] = {
      {"chain loop", [](std::string& b) { PutLe16(Block(b, 3), 1); }},
      {"record count", [](std::string& b) { PutLe16(b.data() + off::kRecords, 81); }},
      {"free list through a chained block", [](std::string& b) { PutLe16(b.data() + off::kFirstFree, 3); }},
      {"file cut inside the last block's records", [](std::string& b) { b.resize(testing::kSmallHeader + 2 * testing::kSmallBlock + 100); }},
      {"file cut before its last block", [](std::string& b) { b.resize(testing::kSmallHeader + testing::kSmallBlock + 100); }},
  };
  for (const Damage& d : damages) {
    std::string b = bytes_;
    d.apply(b);
    ExpectRefused(b, d.why);
  }
}

}  // namespace
}  // namespace engine
