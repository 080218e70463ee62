// Damaged and foreign table files, one row each: the message each must give, and that
// neither a read nor a write changes anything. A table of the family is read by the
// member reader, checked as `pdxtool check` does, read through a table component and
// indexed anew; every one of them fails with an engine error that names the file and
// says what is wrong, and the folder stays byte for byte as it was.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

#include "engine/check/family_check.h"
#include "engine/engine_texts.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/format/layout.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/read/memo_file.h"
#include "engine/tests/test_support.h"
#include "platform/exceptions.h"
#include "platform/memory_file.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using format::PutLe16;
using format::PutLe32;
namespace off = format::off;

constexpr std::size_t kHeader = 0x800;
constexpr std::size_t kBlock = 1024;
constexpr std::size_t kRecord = 35;  // Code I, Name A20, Memo M11

struct BadInput {
  const char* what;
  const char* member;  // the file damaged
  std::function<void(std::string&)> damage;
  std::string message;  // what the engine says about it
};

std::string Cut(std::string& b, std::size_t size) { return b = b.substr(0, size); }
char* Block(std::string& b, int n) { return b.data() + kHeader + static_cast<std::size_t>(n - 1) * kBlock; }

// 80 rows in three 1 KiB blocks (29, 29, 22), a memo text of every fifth row in the .MB,
// a primary index and a secondary index on Name.
class BadInputTable : public ::testing::Test {
 protected:
  void SetUp() override {
    TableSpec shape = testing::SmallSpec(1);
    shape.fields = {{"Code", 'I', 0}, {"Name", 'A', 20}, {"Memo", 'M', 1}};  // a one-byte leader: 11 bytes in the record
    TableCreator creator(platform::OsFileSystem(), path_, shape);
    for (int i = 1; i <= 80; ++i) {
      creator.AddRow({FieldValue::Integer(i), FieldValue::Text(testing::Numbered("name", i)),
                      i % 5 == 0 ? FieldValue::Text(std::string(100 + i, 'm')) : FieldValue()});
    }
    creator.Finish();
    BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
    for (const std::string& name : testing::FilesIn(temp_.Path())) pristine_[name] = testing::ReadBytes(temp_ / name);
    ASSERT_EQ(pristine_.at("T.DB").size(), kHeader + 3 * kBlock);
  }

  void Restore() {
    for (const std::string& name : testing::FilesIn(temp_.Path())) platform::OsFileSystem().RemoveFile(temp_ / name);
    for (const auto& [name, bytes] : pristine_) testing::WriteBytes(temp_ / name, bytes);
  }

  // The engine error `action` raises; empty when it raised none.
  static std::string EngineError(const std::function<void()>& action) {
    try {
      action();
    } catch (const platform::EDBEngineError& e) {
      return e.what();
    }
    return {};
  }

  void ExpectRefused(const BadInput& row) {
    SCOPED_TRACE(row.what);
    Restore();
    const std::string member = temp_ / row.member;
    if (row.damage) {
      std::string bytes = pristine_.at(row.member);
      row.damage(bytes);
      testing::WriteBytes(member, bytes);
    } else {
      platform::OsFileSystem().RemoveFile(member);
    }
    const std::vector<std::string> before = testing::FolderSnapshot(temp_.Path());
    const std::string expected = row.message;

    CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
    ASSERT_FALSE(report.ok());
    EXPECT_NE(report.problems[0].find(expected), std::string::npos) << report.problems[0];

    Engine engine(platform::OsFileSystem(), temp_ / "aliases.ini");
    TTable table(engine);
    table.SetTableName(path_);
    std::string read = EngineError([&] {
      table.Open();
      table.MoveLast();
      table.ReadField("Memo");
    });
    table.Close();
    std::string write = EngineError([&] { table.BuildIndex("", "Code", ixPrimary); });
    for (const std::string& message : {read, write}) {
      EXPECT_NE(message.find(expected), std::string::npos) << message;
      EXPECT_NE(message.find("\r\n" + member), std::string::npos) << message;
    }
    EXPECT_EQ(testing::FolderSnapshot(temp_.Path()), before) << "something was written";
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
  std::map<std::string, std::string> pristine_;
};

TEST_F(BadInputTable, DamagedTableFilesAreRefusedWithAMessageAndNothingIsWritten) {
  const BadInput rows[] = {
      {"header cut short", "T.DB", [](std::string& b) { Cut(b, 0x40); }, texts::TooShortForHeader()},
      {"header cut inside its field list", "T.DB", [](std::string& b) { Cut(b, 0x300); }, texts::HeaderLargerThanFile()},
      {"zeroed header", "T.DB", [](std::string& b) { std::fill(b.begin(), b.begin() + kHeader, '\0'); },
       texts::HeaderTooSmall()},
      {"garbled header", "T.DB",
       [](std::string& b) {
         std::mt19937 random(7);
         for (std::size_t i = off::kFileType; i < 0x58; ++i) b[i] = static_cast<char>(random());
       },
       texts::CorruptFormat().substr(0, texts::CorruptFormat().find("%s"))},
      {"unknown file type", "T.DB", [](std::string& b) { b[off::kFileType] = 9; }, texts::Format(texts::UnknownFileTypeFormat(), 9)},
      {"unknown field type", "T.DB", [](std::string& b) { b[off::kDataHeaderEnd + 2] = 0x07; },
       texts::Format(texts::UnknownFieldTypeFormat(), {"2", "7"})},
      {"record size that does not match the fields", "T.DB", [](std::string& b) { PutLe16(b.data(), kRecord + 1); },
       texts::FieldSizesMismatch()},
      {"level that does not match the header", "T.DB", [](std::string& b) { b[off::kVersion] = 0x0B; },
       texts::Format(texts::MisplacedForVersionFormat(), {"11", texts::FieldNumbers()})},
      {"chain that loops", "T.DB", [](std::string& b) { PutLe16(Block(b, 3), 1); }, texts::Format(texts::ChainLoopsFormat(), 1)},
      {"chain that points past the file", "T.DB", [](std::string& b) { PutLe16(Block(b, 2), 9); },
       texts::Format(texts::ChainLeavesFileFormat(), 9)},
      {"chain that names a block the file does not reach", "T.DB", [](std::string& b) { Cut(b, kHeader + 2 * kBlock); },
       texts::Format(texts::BlocksMissingFormat(), {"3", "2"})},
      {"block record count out of range", "T.DB",
       [](std::string& b) { PutLe16(Block(b, 1) + 4, static_cast<std::uint16_t>(40 * kRecord)); },
       texts::Format(texts::ImpossibleRecordCountFormat(), 1)},
      {"negative block record count", "T.DB",
       [](std::string& b) { PutLe16(Block(b, 1) + 4, static_cast<std::uint16_t>(-3 * static_cast<int>(kRecord))); },
       texts::Format(texts::ImpossibleRecordCountFormat(), 1)},
      {"record count of billions", "T.DB", [](std::string& b) { PutLe32(b.data() + off::kRecords, 0xFFFFFFF0u); },
       "4294967280"},
      {"block count beyond the file", "T.DB", [](std::string& b) { PutLe16(b.data() + off::kTotalBlocks, 0xFFFF); },
       texts::Format(texts::BlocksMissingFormat(), {"65535", "3"})},
      {"memo file missing", "T.MB", nullptr, ".MB"},
  };
  for (const BadInput& row : rows) ExpectRefused(row);
}

// Index files are written anew from the table's rows, so a damaged one is no reason to
// refuse a build (which repairs it); the check names it, and a read of the table does
// not look at it.
TEST_F(BadInputTable, DamagedIndexFilesAreNamedByTheCheckAndRepairedByABuild) {
  const BadInput rows[] = {
      {"tree with more levels than it has", "T.PX", [](std::string& b) { b[off::kIndexLevels] = 3; }, "T.PX: "},
      {"tree chain that loops", "T.PX", [](std::string& b) { PutLe16(b.data() + off::kUsedBlocks, 7); }, "T.PX: "},
      {"index entries of billions", "T.X02", [](std::string& b) { PutLe32(b.data() + off::kRecords, 0xFFFFFFFFu); },
       "T.X02: "},
  };
  for (const BadInput& row : rows) {
    SCOPED_TRACE(row.what);
    Restore();
    std::string bytes = pristine_.at(row.member);
    row.damage(bytes);
    testing::WriteBytes(temp_ / row.member, bytes);
    CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.problems[0].rfind(row.message, 0), 0u) << report.problems[0];
    BuildIndex(platform::OsFileSystem(), path_, "", "Code", ixPrimary);
    BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
    testing::ExpectSoundFamily(path_);
  }
}

// A blob descriptor that claims more data than the .MB holds is a mismatch, told before
// anything of that size is allocated.
TEST_F(BadInputTable, ABlobLengthOfBillionsIsAMismatchNotAnAllocation) {
  MemberFile db = testing::LoadMember(path_);
  const format::FieldDescriptor& memo = db.header().fields()[2];
  std::string record(db.record(4), kRecord);  // row 5 keeps its memo in the .MB
  ASSERT_FALSE(format::ReadBlobRef(memo, record.data() + memo.offset).in_leader());
  PutLe32(record.data() + memo.offset + format::LeaderSize(memo) + 4, 0xFFFFFFF0u);
  platform::MemoryFile mb(pristine_.at("T.MB"));
  try {
    ReadBlob(&mb, "T.MB", memo, record.data() + memo.offset);
    ADD_FAILURE() << "no error";
  } catch (const platform::EDBEngineError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(texts::BlobModified(), 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace engine
