#include "engine/tests/pxlib_reader.h"

#include <gtest/gtest.h>

// pxlib's header declares C functions without saying so.
extern "C" {
#include <paradox.h>
}

#include "platform/cp932.h"

// pxlib keeps some of what it reads for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libpx.so"; }

namespace engine::testing {
namespace {

std::string Native(const std::string& path) {
  std::string native = platform::Cp932ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

bool IsBlobType(int type) {
  return type == pxfMemoBLOb || type == pxfBLOb || type == pxfFmtMemoBLOb || type == pxfOLE || type == pxfGraphic;
}

}  // namespace

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
      if (v->isnull || IsBlobType(info[f].px_ftype)) {
        row.emplace_back();
      } else if (info[f].px_ftype == pxfAlpha) {
        row.push_back(FieldValue::Text(std::string(v->value.str.val, static_cast<std::size_t>(v->value.str.len))));
      } else if (info[f].px_ftype == pxfNumber || info[f].px_ftype == pxfCurrency) {
        row.push_back(FieldValue::Number(v->value.dval));
      } else {
        row.push_back(FieldValue::Integer(v->value.lval));
      }
      if ((info[f].px_ftype == pxfAlpha || IsBlobType(info[f].px_ftype)) && !v->isnull && v->value.str.val) {
        doc->free(doc, v->value.str.val);
      }
      doc->free(doc, v);
    }
    doc->free(doc, values);
    rows.push_back(std::move(row));
  }
  PX_close(doc);
  PX_delete(doc);
  return rows;
}

bool PxlibAcceptsPrimaryIndex(const std::string& db, const std::string& px) {
  pxdoc_t* index = PX_new();
  bool ok = PX_open_file(index, Native(px).c_str()) == 0 && PX_read_primary_index(index) == 0;
  if (ok) {
    pxdoc_t* doc = PX_new();
    ok = PX_open_file(doc, Native(db).c_str()) == 0 && PX_add_primary_index(doc, index) == 0;
    PX_close(doc);
    PX_delete(doc);
  }
  PX_close(index);
  PX_delete(index);
  return ok;
}

}  // namespace engine::testing
