// A failure of any single file operation during a write leaves the family as it was or
// complete once the next open has finished what the failure left pending: the
// fault-injecting file system fails operation n = 1, 2, ... in turn until the action no
// longer reaches it, and every state left behind is checked.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "engine/check/family_check.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "engine/write/pending_changes.h"
#include "platform/exceptions.h"
#include "platform/testing/fault_injecting_file_system.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using State = std::map<std::string, std::string>;  // file name -> bytes

class FaultSafety : public ::testing::Test {
 protected:
  // A keyed table of 80 rows in 1 KiB blocks, out of key order when `shuffled`.
  void CreateTable(bool shuffled, bool with_indexes) {
    TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(shuffled ? 0 : 1));
    for (int i = 0; i < 80; ++i) {
      int code = shuffled ? (i * 31) % 80 : i;
      creator.AddRow({FieldValue::Integer(code * 2), FieldValue::Text(testing::Numbered("n", code % 9)),
                      FieldValue::Text(code % 2 ? "kana" : "KANA")});
    }
    creator.Finish();
    if (with_indexes) {
      BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
      BuildIndex(platform::OsFileSystem(), path_, "ByKana", "Kana;Name", ixCaseInsensitive);
    }
  }

  // The folder's files, temporary ones left out.
  State Capture(std::size_t* temporaries = nullptr) {
    State state;
    if (temporaries) *temporaries = 0;
    for (const std::string& name : testing::FilesIn(temp_.Path())) {
      if (name.rfind("~hm", 0) == 0) {
        if (temporaries) ++*temporaries;
        continue;
      }
      state[name] = testing::ReadBytes(temp_ / name);
    }
    return state;
  }

  void Restore(const State& state) {
    for (const std::string& name : testing::FilesIn(temp_.Path())) platform::OsFileSystem().RemoveFile(temp_ / name);
    for (const auto& [name, bytes] : state) testing::WriteBytes(temp_ / name, bytes);
  }

  // Runs the action once per fault position; `steps` are its all-or-nothing parts, so
  // the states allowed are the one before and the one after each step. The action is
  // the steps in turn, or `action` when given: one that is to leave what they leave.
  using Step = std::function<void(platform::FileSystem&)>;
  void Loop(const std::vector<Step>& steps, const Step& action = nullptr) {
    const State pristine = Capture();
    std::vector<State> allowed{pristine};
    for (const auto& step : steps) {
      step(platform::OsFileSystem());
      allowed.push_back(Capture());
    }
    long n = 1;
    for (;; ++n) {
      Restore(pristine);
      platform::testing::FaultInjectingFileSystem fs(platform::OsFileSystem());
      fs.FailAt(n);
      bool failed = false;
      try {
        if (action) {
          action(fs);
        } else {
          for (const auto& step : steps) step(fs);
        }
      } catch (const platform::EDBEngineError&) {
        failed = true;
      }
      if (!fs.Triggered()) break;
      const std::string failed_operation = fs.Trace()[static_cast<std::size_t>(n - 1)];
      SCOPED_TRACE(testing::Numbered("failing operation ", static_cast<int>(n)) + ": " + failed_operation);
      EXPECT_TRUE(failed || Capture() == allowed.back()) << "an action that reports success must be complete";
      FinishPendingChanges(platform::OsFileSystem(), temp_.Path());
      std::size_t temporaries = 0;
      State left = Capture(&temporaries);
      bool known = false;
      for (const State& s : allowed) known = known || left == s;
      EXPECT_TRUE(known) << "the family is neither as it was nor complete";
      EXPECT_EQ(temporaries, 0u);
      if (left.count("T.DB")) {
        CheckReport report = CheckFamily(platform::OsFileSystem(), path_);
        EXPECT_TRUE(report.ok()) << report.problems[0];
        if (n % 7 == 1) {
          if (auto inspect = testing::Pxinspect(path_)) {
            EXPECT_TRUE(inspect->passed) << inspect->output;
          }
        }
      }
    }
    EXPECT_GT(n, 10) << "the action should take many file operations";
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

TEST_F(FaultSafety, AppendToAKeyedTableWithTwoSecondaryIndexes) {
  CreateTable(false, true);
  Loop({[&](platform::FileSystem& fs) {
    Engine engine(fs, temp_ / "unused.ini");
    TTable table(engine);
    table.SetTableName(path_);
    table.Open();
    table.BeginAppend();
    table.WriteField("Code", 77);
    table.WriteField("Name", "new");
    table.PostRecord();
  }});
}

TEST_F(FaultSafety, PrimaryThenSecondaryBuild) {
  CreateTable(true, false);
  Loop({[&](platform::FileSystem& fs) { BuildIndex(fs, path_, "", "Code", ixPrimary); },
        [&](platform::FileSystem& fs) { BuildIndex(fs, path_, "ix2", "Name", ixCaseInsensitive); }});
}

TEST_F(FaultSafety, PrimaryAndSecondaryBuiltFromOneRead) {
  CreateTable(false, false);
  Loop({[&](platform::FileSystem& fs) { BuildIndex(fs, path_, "", "Code", ixPrimary); },
        [&](platform::FileSystem& fs) { BuildIndex(fs, path_, "ix2", "Name", ixCaseInsensitive); }},
       [&](platform::FileSystem& fs) {
         BuildIndexes(fs, path_, {{"", "Code", ixPrimary}, {"ix2", "Name", ixCaseInsensitive}});
       });
}

TEST_F(FaultSafety, DropTable) {
  CreateTable(false, true);
  Loop({[&](platform::FileSystem& fs) { DropTableFamily(fs, path_); }});
}

TEST_F(FaultSafety, ReplaceTableFamily) {
  CreateTable(false, true);
  TableCreator creator(platform::OsFileSystem(), temp_ / "N.DB", testing::SmallSpec(1));
  creator.AddRow({FieldValue::Integer(1), FieldValue::Text("one"), FieldValue()});
  creator.Finish();
  Loop({[&](platform::FileSystem& fs) { MoveTableFamily(fs, temp_ / "N.DB", path_); }});
}

}  // namespace
}  // namespace engine
