#include "engine/operations/table.h"

#include <cctype>
#include <map>
#include <optional>

#include "engine/check/memo_file_present.h"
#include "engine/errors.h"
#include "engine/family.h"
#include "engine/format/field_codec.h"
#include "engine/operations/alias_store.h"
#include "engine/operations/engine.h"
#include "engine/operations/session.h"
#include "engine/operations/table_operations.h"
#include "engine/read/field_lookup.h"
#include "engine/read/memo_file.h"
#include "engine/read/table_file.h"
#include "engine/write/pending_changes.h"

namespace engine {
namespace {

bool NamesPath(const std::string& name) { return name.find_first_of("\\/:") != std::string::npos; }

}  // namespace

class TTable::OpenState {
 public:
  OpenState(Engine& engine, TSession* session, std::string path)
      : engine_(engine), activity_(session), path_(std::move(path)) {
    Reopen();
  }

  void Reopen() {
    Family family = OpenFamily(engine_.fs(), path_);
    if (!family.exists()) ThrowNoSuchTable(path_);
    path_ = family.db;
    mb_path_ = family.mb.empty() ? family.Path("MB") : family.mb;
    file_ = TranslateFileErrors(path_, [&] {
      return engine_.fs().Open(path_, platform::Access::kRead, platform::Share::kReadWrite,
                               platform::Disposition::kOpenExisting);
    });
    header_ = ReadHeader(*file_, path_);
    if (header_.type() != format::FileType::kKeyedData && header_.type() != format::FileType::kUnkeyedData) {
      ThrowEngineError(texts::NotATable(), path_);
    }
  }

  // The read handle goes while the engine writes the family: a write needs the file to
  // itself.
  void Release() { file_.reset(); }

  // A read handle that cannot be had after a write is taken again when the table is
  // next read.
  void ReopenQuietly() {
    try {
      Reopen();
    } catch (const platform::EDBEngineError&) {
      file_.reset();
    }
  }

  const std::string& path() const { return path_; }
  const format::Header& header() const { return header_; }

  void MoveLast() {
    appending_ = false;
    if (!file_) Reopen();
    MemberFile db = MemberFile::Load(*file_, path_);
    header_ = db.header();
    current_.reset();
    if (db.size() > 0) current_ = std::string(db.record(db.size() - 1), static_cast<std::size_t>(header_.record_size()));
  }

  int Field(const std::string& name) const {
    int i = FindField(header_, name);
    // The message is the field's name alone: it says all, and the failure box adds its ".".
    if (i < 0) ThrowEngineError(texts::Format(texts::FieldNotFoundFormat(), name), "");
    return i;
  }

  FieldValue Read(const std::string& name) {
    const int i = Field(name);
    const format::FieldDescriptor& f = header_.fields()[static_cast<std::size_t>(i)];
    const std::string* row = appending_ ? &pending_ : current_ ? &*current_ : nullptr;
    if (row == nullptr) return FieldValue();
    if (appending_ && blobs_.count(i) != 0) return FieldValue::Text(blobs_[i]);
    const char* data = row->data() + f.offset;
    if (!format::IsBlob(f.type)) return format::DecodeField(f, data);
    if (format::IsBlank(data, f.size)) return FieldValue();
    std::unique_ptr<platform::File> mb;
    if (engine_.fs().FileExists(mb_path_)) {
      mb = TranslateFileErrors(mb_path_, [&] {
        return engine_.fs().Open(mb_path_, platform::Access::kRead, platform::Share::kReadWrite,
                                 platform::Disposition::kOpenExisting);
      });
    }
    return FieldValue::Text(ReadBlob(mb.get(), mb_path_, f, data));
  }

  void BeginAppend() {
    pending_.assign(static_cast<std::size_t>(header_.record_size()), '\0');
    blobs_.clear();
    appending_ = true;
  }
  bool appending() const { return appending_; }

  void Write(const std::string& name, const FieldValue& value) {
    const int i = Field(name);
    const format::FieldDescriptor& f = header_.fields()[static_cast<std::size_t>(i)];
    if (format::IsBlob(f.type)) {
      if (value.IsNull()) {
        blobs_.erase(i);
        return;
      }
      if (!value.IsText()) ThrowEngineError(texts::Format(texts::FieldTakesTextOnlyFormat(), f.name), path_);
      if (f.type == format::FieldType::kGraphic) {
        ThrowEngineError(texts::GraphicNotWritable(), path_);
      }
      blobs_[i] = value.text();
      return;
    }
    std::optional<std::string> problem = format::EncodeField(f, value, true, pending_.data() + f.offset);
    if (problem) ThrowEngineError(texts::Format(texts::ValueNotWritableFormat(), *problem), path_);
  }

  void Post() {
    NewRow row{pending_, blobs_};
    Release();
    try {
      AppendRow(engine_.fs(), path_, std::move(row));
    } catch (...) {
      ReopenQuietly();
      throw;
    }
    appending_ = false;
    current_.reset();
    ReopenQuietly();
  }

 private:
  Engine& engine_;
  TSession::Activity activity_;
  std::string path_;
  std::string mb_path_;
  std::unique_ptr<platform::File> file_;
  format::Header header_;
  std::optional<std::string> current_;
  bool appending_ = false;
  std::string pending_;
  std::map<int, std::string> blobs_;
};

TTable::TTable(Engine& engine) : engine_(engine) {}

TTable::~TTable() { Close(); }

TSession* TTable::Session() { return session_name_.empty() ? nullptr : &engine_.FindSession(session_name_); }

void TTable::RequireClosed() {
  if (open_) ThrowEngineError(texts::OpenTable(), open_->path());
}

void TTable::RequireAppending() {
  if (!open_) ThrowEngineError(texts::TableNotOpen(), table_name_);
  if (!open_->appending()) ThrowEngineError(texts::NotAppending(), open_->path());
}

void TTable::SetSessionName(const std::string& name) {
  RequireClosed();
  session_name_ = name;
}

void TTable::SetDatabaseName(const std::string& alias) {
  RequireClosed();
  database_name_ = alias;
}

void TTable::SetTableName(const std::string& name) {
  RequireClosed();
  table_name_ = name;
}

std::string TTable::ResolvedPath() {
  if (table_name_.empty()) ThrowEngineError(texts::NoTableName(), "");
  if (NamesPath(table_name_)) return TablePath(table_name_);
  if (database_name_.empty()) ThrowEngineError(texts::NoDatabaseName(), table_name_);
  std::optional<std::vector<std::string>> params = engine_.aliases().Params(database_name_);
  std::string folder;
  if (params) {
    folder = AliasStore::Value(*params, "PATH");
    if (folder.empty()) ThrowEngineError(texts::Format(texts::AliasWithoutFolderFormat(), database_name_), engine_.aliases().path());
  } else if (NamesPath(database_name_)) {
    folder = database_name_;
  } else {
    ThrowEngineError(texts::Format(texts::UnknownAliasFormat(), database_name_), engine_.aliases().path());
  }
  return TablePath(JoinFolder(folder, table_name_));
}

void TTable::Open() {
  if (open_) return;
  std::string path = ResolvedPath();
  open_ = std::make_unique<OpenState>(engine_, Session(), path);
}

void TTable::Close() { open_.reset(); }

bool TTable::Active() const { return open_ != nullptr; }

void TTable::MoveLast() {
  if (!open_) ThrowEngineError(texts::TableNotOpen(), table_name_);
  open_->MoveLast();
}

FieldValue TTable::ReadField(const std::string& field) {
  if (!open_) ThrowEngineError(texts::TableNotOpen(), table_name_);
  return open_->Read(field);
}

void TTable::BeginAppend() {
  if (!open_) ThrowEngineError(texts::TableNotOpen(), table_name_);
  open_->BeginAppend();
}

void TTable::WriteField(const std::string& field, std::int32_t value) {
  RequireAppending();
  open_->Write(field, FieldValue::Integer(value));
}

void TTable::WriteField(const std::string& field, const std::string& cp932_text) {
  RequireAppending();
  open_->Write(field, FieldValue::Text(cp932_text));
}

void TTable::WriteField(const std::string& field, const FieldValue& value) {
  RequireAppending();
  open_->Write(field, value);
}

void TTable::PostRecord() {
  RequireAppending();
  TSession::Activity activity(Session());
  open_->Post();
}

void TTable::BuildIndex(const std::string& name, const std::string& fields, IndexOptions options) {
  BuildIndexes({IndexRequest{name, fields, options}});
}

void TTable::BuildIndexes(const std::vector<IndexRequest>& requests, TableFiles files) {
  RequireClosed();
  std::string path = ResolvedPath();
  TSession::Activity activity(Session());
  RequireMemoFile(engine_.fs(), path);
  engine::BuildIndexes(engine_.fs(), path, requests, files);
}

void TTable::RefreshIndexDefs() {
  std::string path = open_ ? open_->path() : ResolvedPath();
  TSession::Activity activity(Session());
  index_defs_ = ReadIndexDefs(engine_.fs(), path);
}

void TTable::DropTable() {
  RequireClosed();
  std::string path = ResolvedPath();
  TSession::Activity activity(Session());
  DropTableFamily(engine_.fs(), path);
}

void ReplaceTableFamily(Engine& engine, const std::string& source_table, const std::string& target_table) {
  MoveTableFamily(engine.fs(), TablePath(source_table), TablePath(target_table));
}

}  // namespace engine
