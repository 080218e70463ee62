// An independent reader, pxlib, reads what the engine writes and gets the same rows, and
// accepts the primary indexes it writes. Memo fields are not read with it: the pxlib at
// hand (0.6.8) crashes in PX_set_blob_file on every .MB, the original engine's too.
#include <gtest/gtest.h>

// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}

#include <cstring>

#include "engine/engine.h"
#include "engine/table.h"
#include "engine/table_operations.h"
#include "engine/tests/test_support.h"
#include "platform/cp932.h"
#include "platform/testing/temp_folder.h"

// pxlib keeps some of what it reads for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libpx.so"; }

namespace engine {
namespace {

std::string Native(const std::string& path) {
  std::string native = platform::Cp932ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

// The rows as pxlib reads them, every value as our FieldValue would hold it.
std::vector<std::vector<FieldValue>> PxlibRows(const std::string& db) {
  pxdoc_t* doc = PX_new();
  EXPECT_EQ(PX_open_file(doc, Native(db).c_str()), 0);
  std::vector<std::vector<FieldValue>> rows;
  int fields = PX_get_num_fields(doc);
  pxfield_t* info = PX_get_fields(doc);
  for (int r = 0; r < PX_get_num_records(doc); ++r) {
    pxval_t** values = PX_retrieve_record(doc, r);
    EXPECT_NE(values, nullptr);
    if (values == nullptr) break;
    std::vector<FieldValue> row;
    for (int f = 0; f < fields; ++f) {
      pxval_t* v = values[f];
      if (v->isnull) {
        row.emplace_back();
      } else if (info[f].px_ftype == pxfAlpha) {
        row.push_back(FieldValue::Text(std::string(v->value.str.val, static_cast<std::size_t>(v->value.str.len))));
      } else if (info[f].px_ftype == pxfNumber || info[f].px_ftype == pxfCurrency) {
        row.push_back(FieldValue::Number(v->value.dval));
      } else {
        row.push_back(FieldValue::Integer(v->value.lval));
      }
      if (info[f].px_ftype == pxfAlpha && !v->isnull) doc->free(doc, v->value.str.val);
      doc->free(doc, v);
    }
    doc->free(doc, values);
    rows.push_back(std::move(row));
  }
  PX_close(doc);
  PX_delete(doc);
  return rows;
}

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

  pxdoc_t* index = PX_new();
  ASSERT_EQ(PX_open_file(index, Native(temp / "M8HINMEI.PX").c_str()), 0);
  EXPECT_EQ(PX_read_primary_index(index), 0);
  pxdoc_t* doc = PX_new();
  ASSERT_EQ(PX_open_file(doc, Native(path).c_str()), 0);
  EXPECT_EQ(PX_add_primary_index(doc, index), 0);
  PX_close(doc);
  PX_delete(doc);
  PX_close(index);
  PX_delete(index);
}

}  // namespace
}  // namespace engine
