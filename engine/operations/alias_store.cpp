#include "engine/operations/alias_store.h"

#include <algorithm>

#include "engine/errors.h"
#include "engine/family.h"

namespace engine {
namespace {

constexpr char kTypeParam[] = "TYPE";

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

std::string NameOfParam(const std::string& line) { return FoldName(line.substr(0, line.find('='))); }

}  // namespace

AliasStore::AliasStore(platform::FileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

void AliasStore::ThrowUnknown(const std::string& alias) const {
  ThrowEngineError(texts::Format(texts::UnknownAliasFormat(), alias), path_);
}

std::vector<AliasStore::Entry> AliasStore::Load() {
  std::vector<Entry> entries;
  if (!fs_.FileExists(path_)) return entries;
  std::string text = TranslateFileErrors(path_, [&] { return platform::ReadWholeFile(fs_, path_); });
  std::size_t start = 0;
  int line_number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      entries.push_back(Entry{line.substr(1, line.size() - 2), "", {}});
    } else if (line.find('=') != std::string::npos && !entries.empty()) {
      if (NameOfParam(line) == kTypeParam) {
        entries.back().type = line.substr(line.find('=') + 1);
      } else {
        entries.back().params.push_back(line);
      }
    } else {
      ThrowEngineError(texts::Format(texts::AliasStoreDamagedFormat(), line_number), path_, texts::DeleteAliasStore());
    }
  }
  return entries;
}

void AliasStore::Save(const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& e : entries) {
    text += "[" + e.name + "]\r\n";
    text += std::string(kTypeParam) + "=" + e.type + "\r\n";
    for (const std::string& p : e.params) text += p + "\r\n";
  }
  std::string temp = path_ + ".new";
  TranslateFileErrors(path_, [&] {
    std::string folder = FolderOf(path_);
    if (!fs_.DirectoryExists(folder) && !fs_.ForceDirectories(folder)) {
      ThrowEngineError(texts::AliasStoreFolderNotCreated(), path_);
    }
    platform::WriteWholeFile(fs_, temp, text);
    fs_.RenameOver(temp, path_);
  });
}

void AliasStore::CheckParams(const std::vector<std::string>& params) const {
  for (const std::string& p : params) {
    if (HasLineBreak(p) || p.find('=') == std::string::npos || NameOfParam(p) == kTypeParam) {
      ThrowEngineError(texts::Format(texts::InvalidAliasParameterFormat(), p), path_);
    }
  }
}

std::optional<std::vector<std::string>> AliasStore::Params(const std::string& alias) {
  for (const Entry& e : Load()) {
    if (FoldName(e.name) == FoldName(alias)) return e.params;
  }
  return std::nullopt;
}

void AliasStore::Set(const std::string& alias, const std::string& type, const std::vector<std::string>& params) {
  if (alias.empty() || HasLineBreak(alias) || alias.find_first_of("[]") != std::string::npos) {
    ThrowEngineError(texts::Format(texts::InvalidAliasNameFormat(), alias), path_);
  }
  CheckParams(params);
  std::vector<Entry> entries = Load();
  auto same = [&](const Entry& e) { return FoldName(e.name) == FoldName(alias); };
  entries.erase(std::remove_if(entries.begin(), entries.end(), same), entries.end());
  entries.push_back(Entry{alias, type, params});
  Save(entries);
}

void AliasStore::Modify(const std::string& alias, const std::vector<std::string>& params) {
  CheckParams(params);
  std::vector<Entry> entries = Load();
  for (Entry& e : entries) {
    if (FoldName(e.name) == FoldName(alias)) {
      e.params = params;
      Save(entries);
      return;
    }
  }
  ThrowUnknown(alias);
}

void AliasStore::Remove(const std::string& alias) {
  std::vector<Entry> entries = Load();
  auto same = [&](const Entry& e) { return FoldName(e.name) == FoldName(alias); };
  auto it = std::remove_if(entries.begin(), entries.end(), same);
  if (it == entries.end()) ThrowUnknown(alias);
  entries.erase(it, entries.end());
  Save(entries);
}

std::string AliasStore::Value(const std::vector<std::string>& params, const std::string& name) {
  for (const std::string& p : params) {
    if (NameOfParam(p) == FoldName(name)) return p.substr(p.find('=') + 1);
  }
  return std::string();
}

void AliasStore::SetValue(std::vector<std::string>& params, const std::string& name, const std::string& value) {
  for (std::string& p : params) {
    if (NameOfParam(p) == FoldName(name)) {
      p = p.substr(0, p.find('=') + 1) + value;
      return;
    }
  }
  params.push_back(name + "=" + value);
}

}  // namespace engine
