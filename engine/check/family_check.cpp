#include "engine/check/family_check.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/check/key_order_check.h"
#include "engine/check/record_check.h"
#include "engine/check/tree_check.h"
#include "engine/check/zeroed_file.h"
#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/blob.h"
#include "engine/format/bytes.h"
#include "engine/index/collation.h"
#include "engine/index/secondary_index.h"
#include "engine/index/x_records.h"
#include "engine/read/memo_file.h"
#include "engine/read/table_file.h"
#include "engine/repair/blob_salvage.h"
#include "engine/write/pending_changes.h"

namespace engine {
namespace {

using format::FileType;
using format::Header;
namespace off = format::off;
using K = FindingKind;

std::string Hex(int v) {
  char s[8];
  std::snprintf(s, sizeof s, "0x%02X", v);
  return s;
}

// The first line of an engine error's message: the sentence without the path.
std::string FirstLine(const platform::EDBEngineError& e) {
  std::string message = e.what();
  return message.substr(0, message.find("\r\n"));
}

std::vector<int> FirstFields(int count) {
  std::vector<int> fields;
  for (int i = 0; i < count; ++i) fields.push_back(i);
  return fields;
}

class Checker {
 public:
  Checker(platform::FileSystem& fs, CheckReport& report) : fs_(fs), report_(report) {}

  void Run(const std::string& db_path) {
    Family family = FindFamily(fs_, db_path);
    if (!family.exists()) {
      report_.AddProblem(K::kTableUnreadable, db_path, "the table does not exist");
      return;
    }
    std::optional<MemberFile> db = LoadTable(family.db);  // invariants 1 and 8 (engine/README.md)
    if (!db) return;
    const Header& h = db->header();
    CheckFlags(*db);            // 9
    CheckRecords(*db);          // 2
    CheckBlobs(family, *db);    // 7
    const bool keyed = h.type() == FileType::kKeyedData;
    std::optional<MemberFile> px;
    if (keyed) {
      CheckOrder(*db, h.key_size(), FirstFields(h.key_fields()), K::kRowsOutOfOrder, "the table's rows");  // 3
      if (family.px.empty()) {  // 4
        report_.AddProblem(K::kPrimaryIndex, family.db, "the keyed table has no .PX");
      } else if ((px = Load(family.px, K::kPrimaryIndex))) {
        CheckPrimary(*db, *px);
      }
    } else if (!family.px.empty()) {  // 11
      report_.AddNote(K::kLeftoverPrimary, family.px,
                      "a primary index beside a table without a key: the original engine does not use it, "
                      "and the next rewrite of the table removes it");
    }
    for (const SecondaryFiles& files : family.secondaries) CheckSecondary(*db, px ? &*px : nullptr, files);  // 5, 6
    if (!family.val.empty()) CheckVal(family.val, h);
  }

 private:
  // The .DB: a header that cannot be read is told apart from damaged blocks, as it takes
  // another table's structure to mend.
  std::optional<MemberFile> LoadTable(const std::string& path) {
    std::unique_ptr<platform::File> file;
    try {
      file = Open(path);
      Header h = ReadHeader(*file, path);
      if (h.type() != FileType::kKeyedData && h.type() != FileType::kUnkeyedData) {
        report_.AddProblem(K::kHeaderUnreadable, path, "the file is not a table (.DB) file");
        return std::nullopt;
      }
      report_.sort_order = CollationOf(h).name;
      report_.code_page = h.code_page();
    } catch (const ECorruptFile& e) {
      report_.AddProblem(K::kHeaderUnreadable, path, file && Zeros(*file) ? ZerosText() : FirstLine(e));
      return std::nullopt;
    } catch (const platform::EDBEngineError& e) {
      report_.AddProblem(K::kTableUnreadable, path, FirstLine(e));
      return std::nullopt;
    }
    return Load(path, K::kTableUnreadable);
  }

  std::optional<MemberFile> Load(const std::string& path, FindingKind kind) {
    std::unique_ptr<platform::File> file;
    try {
      file = Open(path);
      return MemberFile::Load(*file, path);
    } catch (const platform::EDBEngineError& e) {
      bool zeroed = file && Zeros(*file);
      if (zeroed && kind != K::kTableUnreadable) kind = K::kIndexZeroed;
      report_.AddProblem(kind, path, zeroed ? ZerosText() : FirstLine(e));
      return std::nullopt;
    }
  }

  std::unique_ptr<platform::File> Open(const std::string& path) {
    return TranslateFileErrors(path, [&] {
      return fs_.Open(path, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
    });
  }

  static bool Zeros(platform::File& file) {
    try {
      return ZeroedPart(file) != Zeroed::kNo;
    } catch (const platform::EInOutError&) {
      return false;
    }
  }
  static std::string ZerosText() { return "the file holds only zeros where its blocks should be"; }

  void CheckFlags(const MemberFile& m) {
    if (!m.header().rebuild_flags_clear()) report_.AddProblem(K::kRebuildFlag, m.path(), "a \"rebuild required\" flag is set");
  }

  // Every field must hold a value of its type, as every value written does.
  void CheckRecords(const MemberFile& db) {
    const Header& h = db.header();
    for (std::size_t i = 0; i < db.size(); ++i) {
      int field = FirstUnreadableField(h, db.record(i));
      if (field < 0) continue;
      report_.AddProblem(K::kRecordValues, db.path(), "row " + std::to_string(i + 1) + ": field '" +
                                                          h.fields()[static_cast<std::size_t>(field)].name +
                                                          "' holds no value of its type");
      return;
    }
  }

  // Keys must rise strictly along the chain, where the sort order is one we know. Answers
  // whether the order is this engine's.
  bool CheckOrder(const MemberFile& m, int key_size, const std::vector<int>& fields, FindingKind kind, const char* what) {
    KeyOrderResult result = CheckKeyOrder(m, key_size, fields);
    const std::string row = " (entry " + std::to_string(result.record + 1) + ")";
    switch (result.order) {
      case KeyOrder::kInOrder:
        return true;
      case KeyOrder::kNotChecked:
        report_.AddNote(K::kOrderNotChecked, m.path(), std::string("order of ") + what + " not checked: sort order '" +
                                                           CollationOf(m.header()).name + "' is not implemented");
        return true;
      case KeyOrder::kOtherCollation:
        report_.AddNote(K::kCollation, m.path(), std::string(what) + " are not in the order of this engine's collation" + row);
        return false;
      case KeyOrder::kOutOfOrder:
        report_.AddProblem(kind, m.path(), std::string(what) + " are not in key order" + row);
        return false;
    }
    return false;
  }

  void CheckPrimary(const MemberFile& db, const MemberFile& px) {
    CheckFlags(px);
    if (px.header().type() != FileType::kPrimaryIndex) {
      report_.AddProblem(K::kPrimaryIndex, px.path(), "the file is not a primary index");
      return;
    }
    CheckTreeHeader(px, db.header(), db.header().key_fields(), K::kPrimaryIndex, report_);
    CheckTreeOver(px, db, db.header().key_size(), K::kPrimaryIndex, report_);
    if (px.header().U8(off::kStamp2C) != db.header().U8(off::kStamp2D)) {  // 10
      report_.AddNote(K::kStamp, px.path(), "stamp PX[2C]=" + Hex(px.header().U8(off::kStamp2C)) + " differs from DB[2D]=" +
                                                Hex(db.header().U8(off::kStamp2D)));
    }
  }

  void CheckSecondary(const MemberFile& db, const MemberFile* px, const SecondaryFiles& files) {
    if (files.x.empty()) {
      report_.AddProblem(K::kTreeWithoutData, files.y, "an index tree without its data file");
      return;
    }
    if (files.y.empty()) report_.AddProblem(K::kSecondaryIndex, files.x, "the index has no tree file");
    std::optional<MemberFile> x = Load(files.x, K::kSecondaryIndex);
    if (!x) return;
    CheckFlags(*x);
    const Header& xh = x->header();
    if (!format::IsSecondaryData(xh.type()) || (xh.type() == FileType::kCompositeData ||
                                               xh.type() == FileType::kMaintainedCompositeData) != files.composite) {
      report_.AddProblem(K::kSecondaryIndex, files.x, "the file type does not fit its name");
      return;
    }
    SecondaryIndex index;
    try {
      index = IndexOfHeader(xh, db.header(), files);
    } catch (const platform::EDBEngineError&) {
      report_.AddProblem(K::kSecondaryIndex, files.x, "the index does not fit the table");
      return;
    }
    const bool maintained = format::IsMaintained(xh.type());
    if (x->size() != db.size()) {
      std::string what = "holds " + std::to_string(x->size()) + " entries for " + std::to_string(db.size()) + " rows";
      if (maintained) {
        report_.AddProblem(K::kSecondaryIndex, files.x, what + ": the maintained index is out of date");
      } else {
        report_.AddNote(K::kNotMaintained, files.x, what + " (not maintained: out of date until rebuilt)");
      }
    }
    bool ours = CheckOrderOfX(*x, index);
    if (maintained && x->size() == db.size()) CheckXContent(db, *x, index, ours);
    if (xh.U8(off::kStamp2E) != db.header().U8(off::kStamp2E)) {
      report_.AddNote(K::kStamp, files.x, "stamp X[2E]=" + Hex(xh.U8(off::kStamp2E)) + " differs from DB[2E]=" +
                                              Hex(db.header().U8(off::kStamp2E)));
    }
    if (px != nullptr && xh.U8(off::kStamp2F) != px->header().U8(off::kStamp2C)) {
      report_.AddNote(K::kStamp, files.x, "stamp X[2F]=" + Hex(xh.U8(off::kStamp2F)) + " differs from PX[2C]=" +
                                              Hex(px->header().U8(off::kStamp2C)));
    }
    if (files.y.empty()) return;
    std::optional<MemberFile> y = Load(files.y, K::kSecondaryIndex);
    if (!y) return;
    CheckFlags(*y);
    CheckTreeHeader(*y, xh, xh.key_fields(), K::kSecondaryIndex, report_);
    CheckTreeOver(*y, *x, xh.key_size(), K::kSecondaryIndex, report_);
    if (y->header().U8(off::kStamp2C) != xh.U8(off::kStamp2D)) {
      report_.AddNote(K::kStamp, files.y, "stamp Y[2C]=" + Hex(y->header().U8(off::kStamp2C)) + " differs from X[2D]=" +
                                              Hex(xh.U8(off::kStamp2D)));
    }
  }

  // Answers whether the entries are in this engine's order.
  bool CheckOrderOfX(const MemberFile& x, const SecondaryIndex& index) {
    for (bool d : index.descending) {
      if (d) {
        report_.AddNote(K::kOrderNotChecked, x.path(), "order of a descending index not checked");
        return true;
      }
    }
    return CheckOrder(x, x.header().key_size(), FirstFields(static_cast<int>(index.fields.size())), K::kSecondaryIndex,
                      "the index entries");
  }

  // A maintained X must hold exactly the entries the rows give, in order; row hints
  // (Blk Num) may be stale. Entries the original engine ordered by its own collation
  // (`in_our_order` false) are compared as a set.
  void CheckXContent(const MemberFile& db, const MemberFile& x, const SecondaryIndex& index, bool in_our_order) {
    const int k = db.header().key_fields();
    XLayout layout = LayoutOf(index, db.header(), k);
    if (layout.record_size != x.header().record_size()) {
      report_.AddProblem(K::kSecondaryIndex, x.path(), "the record layout does not fit the table");
      return;
    }
    Placement placement(db, false);
    std::vector<char> expected = MakeXRecords(index, layout, db, k, placement);
    RowOrder order = SortXRecords(index, layout, expected);
    const std::size_t rs = static_cast<std::size_t>(layout.record_size);
    const std::size_t ks = static_cast<std::size_t>(layout.key_size);
    if (!in_our_order) {
      std::vector<std::string> want, have;
      for (std::size_t i = 0; i < order.size(); ++i) {
        want.emplace_back(expected.data() + i * rs, ks);
        have.emplace_back(x.record(i), ks);
      }
      std::sort(want.begin(), want.end());
      std::sort(have.begin(), have.end());
      if (want != have) report_.AddProblem(K::kSecondaryIndex, x.path(), "the entries do not match the table's rows");
      return;
    }
    std::size_t stale = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
      const char* want = expected.data() + order[i] * rs;
      if (std::memcmp(want, x.record(i), ks) != 0) {
        report_.AddProblem(K::kSecondaryIndex, x.path(), "entry " + std::to_string(i + 1) + " does not match the table's rows");
        return;
      }
      if (std::memcmp(want + ks, x.record(i) + ks, rs - ks) != 0) ++stale;
    }
    if (stale > 0) {
      report_.AddNote(K::kStaleHints, x.path(), std::to_string(stale) + " of " + std::to_string(order.size()) +
                                                    " row hints point at another block (tolerated by the original engine)");
    }
  }

  void CheckBlobs(const Family& family, const MemberFile& db) {
    const Header& h = db.header();
    std::unique_ptr<platform::File> mb;
    if (!family.mb.empty()) {
      try {
        mb = fs_.Open(family.mb, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
      } catch (const platform::EInOutError&) {
        report_.AddProblem(K::kBlobs, family.mb, "the .MB file cannot be opened");
        return;
      }
      try {
        if (MendedMemoHeader(*mb, family.mb, 1)) report_.AddProblem(K::kBlobs, family.mb, "the file's header is damaged");
      } catch (const platform::EDBEngineError& e) {
        report_.AddProblem(K::kBlobs, family.mb, FirstLine(e));
      }
    }
    for (const format::FieldDescriptor& f : h.fields()) {
      if (!format::IsBlob(f.type)) continue;
      for (std::size_t i = 0; i < db.size(); ++i) {
        try {
          ReadBlob(mb.get(), family.mb.empty() ? family.Path("MB") : family.mb, f, db.record(i) + f.offset);
        } catch (const platform::EDBEngineError&) {
          if (mb) {
            report_.AddProblem(K::kBlobs, family.db, "row " + std::to_string(i + 1) + ": field '" + f.name +
                                                         "' does not match the .MB file");
          } else {
            report_.AddProblem(K::kMemoFileMissing, family.db, "row " + std::to_string(i + 1) + ": field '" + f.name +
                                                                   "' keeps its data in a .MB file that is missing");
          }
          return;
        }
      }
    }
  }

  void CheckVal(const std::string& val, const Header& db) {
    std::string head;
    try {
      auto file = fs_.Open(val, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
      head.resize(8);
      head.resize(file->ReadAt(0, head.data(), head.size()));
    } catch (const platform::EInOutError&) {
      report_.AddNote(K::kValStamp, val, "the .VAL file cannot be read");
      return;
    }
    if (head.empty() || static_cast<std::uint8_t>(head[0]) != db.U8(off::kStamp2E)) {
      report_.AddNote(K::kValStamp, val, "stamp VAL[0] differs from DB[2E]=" + Hex(db.U8(off::kStamp2E)));
    }
  }

  platform::FileSystem& fs_;
  CheckReport& report_;
};

}  // namespace

void CheckReport::AddProblem(FindingKind kind, const std::string& path, const std::string& detail) {
  problems.push_back(NameOf(path) + ": " + detail);
  findings.push_back(Finding{true, kind, NameOf(path), detail});
}

void CheckReport::AddNote(FindingKind kind, const std::string& path, const std::string& detail) {
  notes.push_back(NameOf(path) + ": " + detail);
  findings.push_back(Finding{false, kind, NameOf(path), detail});
}

CheckReport CheckFamily(platform::FileSystem& fs, const std::string& db_path) {
  CheckReport report;
  Checker(fs, report).Run(db_path);
  // Invariant 12: a change that a stopped process left half done: the files on disk may
  // mix the old family and the new one until it is finished.
  for (const PendingChange& change : FindPendingChanges(fs, FolderOf(TablePath(db_path)))) {
    report.AddNote(FindingKind::kPendingChange, change.record,
                   change.complete ? "a change of this folder was stopped half-way; the next open of a table here "
                                     "by the installer or pdxtool finishes it"
                                   : "a change of this folder was stopped before its first step; the next open of "
                                     "a table here discards it");
  }
  return report;
}

}  // namespace engine
