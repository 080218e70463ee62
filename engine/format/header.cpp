#include "engine/format/header.h"

#include <algorithm>

#include "engine/errors.h"
#include "engine/format/bytes.h"

namespace engine::format {
namespace {

bool ValidBlockSizeCode(int code) {
  return code == 1 || code == 2 || code == 3 || code == 4 || code == 8 || code == 16 ||
         code == 32;
}

// A bounded reader over the variable part of a header.
class Cursor {
 public:
  Cursor(const std::string& bytes, int at, const std::string& path)
      : bytes_(bytes), at_(at), path_(path) {}

  int at() const { return at_; }
  void Skip(int n, const std::string& what) {
    Need(n, what);
    at_ += n;
  }
  std::string String(const std::string& what) {
    std::size_t end = bytes_.find('\0', static_cast<std::size_t>(at_));
    if (end == std::string::npos) ThrowCorrupt(texts::Format(texts::RunsPastHeaderFormat(), what), path_);
    std::string s = bytes_.substr(static_cast<std::size_t>(at_), end - static_cast<std::size_t>(at_));
    at_ = static_cast<int>(end) + 1;
    return s;
  }
  std::string Padded(int n, const std::string& what) {
    Need(n, what);
    std::string s = bytes_.substr(static_cast<std::size_t>(at_), static_cast<std::size_t>(n));
    s.resize(std::min(s.find('\0'), s.size()));
    at_ += n;
    return s;
  }
  std::uint16_t Le16(const std::string& what) {
    Need(2, what);
    std::uint16_t v = GetLe16(bytes_.data() + at_);
    at_ += 2;
    return v;
  }
  void Need(int n, const std::string& what) const {
    if (at_ < 0 || n < 0 || static_cast<std::size_t>(at_) + static_cast<std::size_t>(n) > bytes_.size()) {
      ThrowCorrupt(texts::Format(texts::RunsPastHeaderFormat(), what), path_);
    }
  }

 private:
  const std::string& bytes_;
  int at_;
  const std::string& path_;
};

// `recorded` is an offset minus 0x58 as the data header stores it; 0 records nothing.
void RequireAt(int at, int recorded, int version, const std::string& what, const std::string& path) {
  if (recorded != 0 && recorded + off::kFixedEnd != at) {
    ThrowCorrupt(texts::Format(texts::MisplacedForVersionFormat(), {std::to_string(version), what}), path);
  }
}

}  // namespace

int Header::AnnouncedSize(const std::string& first_bytes) {
  return first_bytes.size() < 4 ? 0 : GetLe16(first_bytes.data() + off::kHeaderSize);
}

Header Header::Parse(std::string bytes, std::uint64_t file_size, const std::string& path) {
  if (file_size < off::kFixedEnd || bytes.size() < off::kFixedEnd) {
    ThrowCorrupt(texts::TooShortForHeader(), path);
  }
  Header h;
  h.bytes_ = std::move(bytes);
  int header_size = h.header_size();
  if (header_size < off::kFixedEnd) ThrowCorrupt(texts::HeaderTooSmall(), path);
  if (static_cast<std::uint64_t>(header_size) > file_size) {
    ThrowCorrupt(texts::HeaderLargerThanFile(), path);
  }
  if (h.bytes_.size() < static_cast<std::size_t>(header_size)) {
    ThrowCorrupt(texts::HeaderNotReadWhole(), path);
  }
  h.bytes_.resize(static_cast<std::size_t>(header_size));
  if (h.U8(off::kFileType) > static_cast<int>(FileType::kMaintainedCompositeData)) {
    ThrowCorrupt(texts::Format(texts::UnknownFileTypeFormat(), h.U8(off::kFileType)), path);
  }
  if (!ValidBlockSizeCode(h.U8(off::kBlockSizeCode))) {
    ThrowCorrupt(texts::Format(texts::UnknownBlockSizeFormat(), h.U8(off::kBlockSizeCode)), path);
  }
  if (h.version() < 3 || h.version() > kVersion7) {
    ThrowCorrupt(texts::Format(texts::UnknownVersionFormat(), h.version()), path);
  }
  h.has_data_header_ = IsDataLike(h.type()) && h.version() >= kFirstDataHeaderVersion;
  if (h.has_data_header_ && header_size < off::kDataHeaderEnd) {
    ThrowCorrupt(texts::HeaderTooSmall(), path);
  }
  bool encrypted = h.has_data_header_ ? h.U32(off::kEncryption2) != 0
                                      : (h.U32(off::kEncryption1) != 0 &&
                                         h.U32(off::kEncryption1) != kLevel4Encryption1);
  if (encrypted) ThrowEngineError(texts::EncryptedTable(), path);
  h.ParseFields(path);
  if (h.record_size() == 0 || h.record_size() > h.block_size() - kBlockHeaderSize) {
    ThrowCorrupt(texts::RecordLargerThanBlock(), path);
  }
  return h;
}

void Header::ParseFields(const std::string& path) {
  int n = static_cast<std::int16_t>(U16(off::kNumFields));
  if (n < 1 || n > 255) ThrowCorrupt(texts::Format(texts::InvalidFieldCountFormat(), n), path);
  int keys = static_cast<std::int16_t>(U16(off::kKeyFields));
  bool data_like = IsDataLike(type());
  key_fields_ = data_like ? keys : n;
  if (key_fields_ < 0 || key_fields_ > n) ThrowCorrupt(texts::InvalidKeyFieldCount(), path);
  if (type() == FileType::kUnkeyedData && key_fields_ != 0) {
    ThrowCorrupt(texts::UnkeyedWithKeyFields(), path);
  }
  if (type() == FileType::kKeyedData && key_fields_ == 0) {
    ThrowCorrupt(texts::KeyedWithoutKeyFields(), path);
  }

  Cursor c(bytes_, has_data_header_ ? off::kDataHeaderEnd : off::kFixedEnd, path);
  int record = 0;
  for (int i = 0; i < n; ++i) {
    c.Need(2, texts::FieldDescriptors());
    auto code = static_cast<std::uint8_t>(bytes_[static_cast<std::size_t>(c.at())]);
    int size = static_cast<std::uint8_t>(bytes_[static_cast<std::size_t>(c.at()) + 1]);
    c.Skip(2, texts::FieldDescriptors());
    std::optional<FieldType> t = FieldTypeOf(code);
    if (!t) ThrowCorrupt(texts::Format(texts::UnknownFieldTypeFormat(), {std::to_string(i + 1), std::to_string(code)}), path);
    if (!ValidDescriptorSize(*t, size)) {
      ThrowCorrupt(texts::Format(texts::InvalidFieldSizeFormat(), {std::to_string(i + 1), std::to_string(size)}), path);
    }
    FieldDescriptor f;
    f.type = *t;
    f.descriptor_size = size;
    f.size = StoredSize(*t, size);
    f.offset = record;
    f.number = static_cast<std::uint16_t>(i + 1);
    record += f.size;
    fields_.push_back(f);
  }
  int expected = data_like ? record : record + kIndexEntryTail;
  if (expected != record_size()) ThrowCorrupt(texts::FieldSizesMismatch(), path);
  for (int i = 0; i < key_fields_; ++i) key_size_ += fields_[static_cast<std::size_t>(i)].size;

  c.Skip(4, texts::TableNamePointer());
  if (data_like) c.Skip(4 * n, texts::FieldNamePointers());
  table_name_ = c.Padded(TableNameLength(version()), texts::TableNamePart());
  if (!data_like) return;
  for (FieldDescriptor& f : fields_) f.name = c.String(texts::FieldNames());
  if (!has_data_header_) return;
  // The data header records where the field numbers and the sort-order id start; a file
  // whose version byte names another level puts them elsewhere than its names end.
  RequireAt(c.at(), U16(off::kFieldNumbersOfs), version(), texts::FieldNumbers(), path);
  for (FieldDescriptor& f : fields_) f.number = c.Le16(texts::FieldNumbers());
  RequireAt(c.at(), U16(off::kSortIdOfs), version(), texts::SortOrderId(), path);
  sort_id_ = c.String(texts::SortOrderId());
  if (U16(off::kIndexNameOfs) != 0) {
    Cursor name(bytes_, U16(off::kIndexNameOfs) + off::kFixedEnd, path);
    index_name_ = name.String(texts::IndexName());
  }
}

std::uint8_t Header::U8(int offset) const {
  return static_cast<std::uint8_t>(bytes_[static_cast<std::size_t>(offset)]);
}
std::uint16_t Header::U16(int offset) const { return GetLe16(bytes_.data() + offset); }
std::uint32_t Header::U32(int offset) const { return GetLe32(bytes_.data() + offset); }
void Header::SetU8(int offset, std::uint8_t value) {
  bytes_[static_cast<std::size_t>(offset)] = static_cast<char>(value);
}
void Header::SetU16(int offset, std::uint16_t value) { PutLe16(bytes_.data() + offset, value); }
void Header::SetU32(int offset, std::uint32_t value) { PutLe32(bytes_.data() + offset, value); }

void Header::SetPackedBlocks(int blocks, std::uint32_t records) {
  auto b = static_cast<std::uint16_t>(blocks);
  SetU32(off::kRecords, records);
  SetU16(off::kUsedBlocks, b);
  SetU16(off::kTotalBlocks, b);
  SetU16(off::kMaxBlocks, b);
  SetU16(off::kFirstBlock, blocks > 0 ? 1 : 0);
  SetU16(off::kLastBlock, b);
  SetU16(off::kFirstFree, 0);
}

}  // namespace engine::format
