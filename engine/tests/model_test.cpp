// Random appends and index builds against a std::map model of the table: after every
// step the rows read back are the model's, and the family passes its check.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "engine/check/family_check.h"
#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using Model = std::map<std::int64_t, std::pair<std::string, std::string>>;  // Code -> Name, Kana

class RandomAppends : public ::testing::TestWithParam<int> {
 protected:
  std::string RandomText(std::mt19937& rng, bool japanese) {
    static const char* const kPieces[] = {"a", "B", "z", "表", "ｱ", "ャ", "漢", "0", " "};
    std::string text;
    int n = static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
      std::string piece = platform::Utf8ToCp932(kPieces[rng() % (japanese ? 9 : 3)]);
      if (text.size() + piece.size() > 10) break;
      text += piece;
    }
    return text;
  }

  void ExpectModel(const Model& model) {
    auto rows = testing::ReadRows(path_);
    ASSERT_EQ(rows.size(), model.size());
    std::size_t i = 0;
    for (const auto& [code, texts] : model) {
      const auto& row = rows[i++];
      ASSERT_EQ(row[0], FieldValue::Integer(code));
      EXPECT_EQ(row[1], texts.first.empty() ? FieldValue() : FieldValue::Text(texts.first));
      EXPECT_EQ(row[2], texts.second.empty() ? FieldValue() : FieldValue::Text(texts.second));
    }
  }

  platform::testing::TempFolder temp_;
  std::string path_ = temp_ / "T.DB";
};

TEST_P(RandomAppends, MatchTheModel) {
  std::mt19937 rng(static_cast<unsigned>(GetParam()));
  Model model;
  TableCreator creator(platform::OsFileSystem(), path_, testing::SmallSpec(1));
  for (int i = 0; i < 700; ++i) {
    std::int64_t code = static_cast<std::int64_t>(rng() % 100000) - 50000;
    if (model.count(code)) continue;
    model[code] = {RandomText(rng, true), RandomText(rng, true)};
    creator.AddRow({FieldValue::Integer(code), model[code].first.empty() ? FieldValue() : FieldValue::Text(model[code].first),
                    model[code].second.empty() ? FieldValue() : FieldValue::Text(model[code].second)});
  }
  creator.Finish();
  BuildIndex(platform::OsFileSystem(), path_, "Name", "Name", 0);
  Engine engine(platform::OsFileSystem(), temp_ / "aliases.ini");
  TTable table(engine);
  table.SetTableName(path_);
  table.Open();
  for (int step = 0; step < 60; ++step) {
    SCOPED_TRACE(step);
    int what = static_cast<int>(rng() % 10);
    if (what == 0) {
      table.Close();
      BuildIndex(platform::OsFileSystem(), path_, step % 2 ? "ByKana" : "Name", step % 2 ? "Kana;Name" : "Name",
                 step % 2 ? ixCaseInsensitive : 0);
      table.Open();
      continue;
    }
    // Now and then a code already there: a key violation that must change nothing.
    std::int64_t code = what == 1 && !model.empty() ? std::next(model.begin(), rng() % model.size())->first
                                                    : static_cast<std::int64_t>(rng() % 100000) - 50000;
    std::string name = RandomText(rng, true), kana = RandomText(rng, true);
    table.BeginAppend();
    table.WriteField("Code", static_cast<std::int32_t>(code));
    if (!name.empty()) table.WriteField("Name", name);
    if (!kana.empty()) table.WriteField("Kana", kana);
    bool duplicate = model.count(code) != 0;
    if (duplicate) {
      EXPECT_THROW(table.PostRecord(), platform::EDBEngineError);
    } else {
      table.PostRecord();
      model[code] = {name, kana};
    }
    table.MoveLast();
    EXPECT_EQ(table.ReadField("Code"), FieldValue::Integer(model.rbegin()->first));
    if (step % 10 == 0) ExpectModel(model);
  }
  table.Close();
  ExpectModel(model);
  testing::ExpectSoundFamily(path_);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomAppends, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace engine
