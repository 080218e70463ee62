#include "engine/write/table_creator.h"

#include <chrono>
#include <ctime>
#include <optional>

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/blob.h"
#include "engine/format/field_codec.h"
#include "engine/format/header_builder.h"
#include "engine/read/memo_file.h"
#include "engine/write/memo_append.h"
#include "engine/read/table_file.h"
#include "engine/write/family_rewrite.h"
#include "engine/write/family_write.h"
#include "engine/write/pending_changes.h"
#include "engine/write/row_rules.h"

namespace engine {
namespace {

using format::FieldType;

constexpr int kMaxFieldName = 25;

int VersionOfLevel(int level, const std::string& path) {
  switch (level) {
    case 4: return 0x09;
    case 5: return 0x0B;
    case 7: return format::kVersion7;
    default: ThrowEngineError(texts::Format(texts::LevelNotCreatableFormat(), level), path);
  }
}

bool NeedsLevel5(FieldType t) {
  return t == FieldType::kLong || t == FieldType::kLogical || t == FieldType::kTime || t == FieldType::kTimestamp ||
         t == FieldType::kAutoIncrement || t == FieldType::kBcd || t == FieldType::kBytes;
}

format::NewField FieldOf(const FieldSpec& field, int level, std::uint16_t number, const std::string& path) {
  std::optional<FieldType> type = format::FieldTypeOfLetter(field.type);
  if (!type) ThrowEngineError(texts::Format(texts::UnknownFieldLetterFormat(), {field.name, std::string(1, field.type)}), path);
  if (field.name.empty() || field.name.size() > kMaxFieldName) {
    ThrowEngineError(texts::Format(texts::FieldNameInvalidFormat(), field.name), path);
  }
  if (level < 5 && NeedsLevel5(*type)) {
    ThrowEngineError(texts::Format(texts::FieldNeedsLevel5Format(), field.name), path);
  }
  int size = field.size;
  if (format::IsBlob(*type)) {
    size += format::kBlobDescriptorSize;
  } else if (*type != FieldType::kAlpha && *type != FieldType::kBytes && *type != FieldType::kBcd) {
    size = format::StoredSize(*type, 0);
  }
  if (!format::ValidDescriptorSize(*type, size)) {
    ThrowEngineError(texts::Format(texts::FieldSizeInvalidFormat(), {field.name, std::to_string(field.size)}), path);
  }
  return format::NewField{*type, size, field.name, number};
}

std::uint32_t CreationTime(int version) {
  std::time_t now = std::time(nullptr);
  if (version >= 0x0B) return static_cast<std::uint32_t>(now);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  // Level 4 files hold a DOS date and time.
  std::uint32_t date = static_cast<std::uint32_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
  std::uint32_t time = static_cast<std::uint32_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
  return date << 16 | time;
}

}  // namespace

SortOrder AsciiSortOrder() { return SortOrder{0x00, "ascii", 437}; }
SortOrder JapaneseSortOrder() { return SortOrder{0x0A, "japan", 932}; }

class TableCreator::Impl {
 public:
  Impl(platform::FileSystem& fs, const std::string& db_path, const TableSpec& shape) : write_(fs) {
    const std::string path = TablePath(db_path);
    family_ = OpenFamily(fs, path);
    for (const std::string& member : family_.Members()) write_.Hold(member);
    if (family_.db.empty()) family_.db = path;

    format::HeaderSpec h;
    h.version = VersionOfLevel(shape.level, path);
    const int code = shape.block_size_kib;
    if (!(code == 1 || code == 2 || code == 3 || code == 4 || ((code == 8 || code == 16 || code == 32) && shape.level == 7))) {
      ThrowEngineError(texts::Format(texts::BlockSizeInvalidFormat(), code), path);
    }
    h.block_size_code = code;
    if (shape.fields.empty() || shape.fields.size() > 255) ThrowEngineError(texts::FieldCountInvalid(), path);
    for (std::size_t i = 0; i < shape.fields.size(); ++i) {
      h.fields.push_back(FieldOf(shape.fields[i], shape.level, static_cast<std::uint16_t>(i + 1), path));
      for (std::size_t j = 0; j < i; ++j) {
        if (FoldName(shape.fields[j].name) == FoldName(shape.fields[i].name)) {
          ThrowEngineError(texts::Format(texts::FieldNameTwiceFormat(), shape.fields[i].name), path);
        }
      }
    }
    if (shape.key_fields < 0 || shape.key_fields > static_cast<int>(shape.fields.size())) {
      ThrowEngineError(texts::KeyLongerThanTable(), path);
    }
    for (int i = 0; i < shape.key_fields; ++i) {
      if (format::IsBlob(h.fields[static_cast<std::size_t>(i)].type)) {
        ThrowEngineError(texts::BlobKeyField(), path);
      }
    }
    h.type = shape.key_fields > 0 ? format::FileType::kKeyedData : format::FileType::kUnkeyedData;
    h.key_fields = shape.key_fields;
    h.sort_order = shape.sort.byte;
    h.code_page = shape.sort.code_page;
    h.sort_id = shape.sort.id;
    h.table_name = NameOf(path);
    h.sequence = 3;
    // The table's counters: any values; the clock keeps tables created apart.
    auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    h.stamps = {0, static_cast<std::uint8_t>(1 + ticks % 251), static_cast<std::uint8_t>(1 + (ticks >> 8) % 251), 0};
    h.update_time = CreationTime(h.version);
    format::Header header = format::NewHeader(h);
    if (header.record_size() > header.block_size() - format::kBlockHeaderSize) {
      ThrowEngineError(texts::RecordTooLargeForBlock(), path);
    }
    key_fields_ = shape.key_fields;
    db_ = MemberFile::Empty(std::move(header), family_.db);
    row_.resize(static_cast<std::size_t>(db_.header().record_size()));
  }

  void AddRow(const std::vector<FieldValue>& values) {
    const format::Header& h = db_.header();
    if (values.size() != h.fields().size()) ThrowEngineError(texts::ValueCountMismatch(), family_.db);
    std::fill(row_.begin(), row_.end(), '\0');
    for (std::size_t i = 0; i < values.size(); ++i) {
      const format::FieldDescriptor& f = h.fields()[i];
      char* out = row_.data() + f.offset;
      if (format::IsBlob(f.type)) {
        if (values[i].IsNull()) continue;
        if (!values[i].IsText()) ThrowEngineError(texts::Format(texts::FieldTakesTextOnlyFormat(), f.name), family_.db);
        if (NeedsMemoFile(f, values[i].text().size())) {
          Memo().Store(f, values[i].text(), out);
        } else {
          StoreInLeader(f, values[i].text(), out);
        }
        continue;
      }
      std::optional<std::string> problem = format::EncodeField(f, values[i], CollationDbcs(), out);
      if (problem) ThrowEngineError(texts::Format(texts::RowProblemFormat(), {std::to_string(db_.size() + 1), *problem}), family_.db);
    }
    NumberAutoIncrement(db_.header(), row_.data());
    db_.AddRecord(row_.data());
  }

  void Finish() {
    if (memo_) memo_->Finish();
    if (key_fields_ > 0) db_.Reorder(PrimaryOrder(db_, key_fields_, family_.db));
    Rewrite r;
    r.family = &family_;
    r.rows = &db_;
    r.key_fields = key_fields_;
    r.next_sequence = db_.header().U16(format::off::kSequence) + 1;
    for (const std::string& member : family_.Members()) {
      bool replaced = member == family_.db || (key_fields_ > 0 && member == family_.px) || (memo_ && member == family_.mb);
      if (!replaced) r.remove.push_back(member);
    }
    RewriteFamily(write_, r);
  }

 private:
  bool CollationDbcs() const { return db_.header().code_page() == 932 || db_.header().sort_id() == "japan"; }

  MemoAppender& Memo() {
    if (!memo_) {
      std::string path = family_.mb.empty() ? family_.Path("MB") : family_.mb;
      platform::File& out = write_.Create(path);
      std::string header = format::NewMbHeader();
      TranslateFileErrors(path, [&] { out.WriteAt(0, header.data(), header.size()); });
      memo_.emplace(out, path, format::kMbUnit, 1);
    }
    return *memo_;
  }

  FamilyWrite write_;
  Family family_;
  MemberFile db_;
  int key_fields_ = 0;
  std::string row_;
  std::optional<MemoAppender> memo_;
};

TableCreator::TableCreator(platform::FileSystem& fs, std::string db_path, TableSpec shape)
    : impl_(std::make_unique<Impl>(fs, db_path, shape)) {}

TableCreator::~TableCreator() = default;

void TableCreator::AddRow(const std::vector<FieldValue>& values) { impl_->AddRow(values); }

void TableCreator::Finish() { impl_->Finish(); }

}  // namespace engine
