// An independent reader, pxlib, reads what the engine writes and gets the same rows, and
// accepts the primary indexes it writes. Memo fields are not read with it: the pxlib at
// hand (0.6.8) crashes in PX_set_blob_file on every .MB, the original engine's too.
#include <gtest/gtest.h>

#include "engine/operations/engine.h"
#include "engine/operations/table.h"
#include "engine/operations/table_operations.h"
#include "engine/tests/pxlib_reader.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/testing/temp_folder.h"

namespace engine {
namespace {

using testing::PxlibRows;

TEST(Pxlib, ReadsTheRowsAndThePrimaryIndexTheEngineWrites) {
  platform::testing::TempFolder temp;
  std::string path = temp / "M8HINMEI.DB";
  TableSpec shape;
  shape.fields = {{"fCD", 'I', 0}, {"fGyo", 'S', 0}, {"fHinban", 'A', 20}, {"fTanka", 'N', 0}};
  shape.key_fields = 2;
  shape.level = 5;
  shape.block_size_kib = 1;
  TableCreator creator(platform::OsFileSystem(), path, shape);
  for (int i = 0; i < 300; ++i) {
    creator.AddRow({FieldValue::Integer(300 - i), FieldValue::Integer(i % 3),
                    FieldValue::Text(platform::Utf8ToCp932("品番") + testing::Numbered("-", i)),
                    i % 4 ? FieldValue::Number(i * 1.25) : FieldValue()});
  }
  creator.Finish();
  BuildIndex(platform::OsFileSystem(), path, "ix2", "fHinban", ixCaseInsensitive);
  Engine engine(platform::OsFileSystem(), temp / "aliases.ini");
  TTable table(engine);
  table.SetTableName(path);
  table.Open();
  table.BeginAppend();
  table.WriteField("fCD", 150);
  table.WriteField("fGyo", 7);
  table.WriteField("fHinban", platform::Utf8ToCp932("追加"));
  table.PostRecord();
  table.Close();

  auto ours = testing::ReadRows(path);
  auto theirs = PxlibRows(path);
  ASSERT_EQ(theirs.size(), ours.size());
  for (std::size_t r = 0; r < ours.size(); ++r) {
    for (std::size_t f = 0; f < ours[r].size(); ++f) {
      // pxlib reads a blank number field as 0.
      if (ours[r][f].IsNull() && theirs[r][f] == FieldValue::Number(0)) continue;
      EXPECT_EQ(theirs[r][f], ours[r][f]) << "row " << r << " field " << f;
    }
  }

  EXPECT_TRUE(testing::PxlibAcceptsPrimaryIndex(path, temp / "M8HINMEI.PX"));
}

}  // namespace
}  // namespace engine
