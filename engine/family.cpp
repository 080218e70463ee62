#include "engine/family.h"

#include <algorithm>
#include <cstdio>

#include "engine/errors.h"
#include "engine/index/collation.h"

namespace engine {
namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// Position of the last path delimiter, stepping over CP932 trail bytes.
std::size_t LastDelimiter(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    auto b = static_cast<unsigned char>(path[i]);
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
      ++i;
    } else if (b == '\\' || b == '/') {
      last = i;
    }
  }
  return last;
}

std::size_t ExtensionDot(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == 0 ? std::string::npos : dot;
}

}  // namespace

std::string FoldName(const std::string& name) {
  std::string folded = name;
  FoldToUpper(folded.data(), static_cast<int>(folded.size()), true);
  return folded;
}

std::string FolderOf(const std::string& path) {
  std::size_t at = LastDelimiter(path);
  if (at == std::string::npos) return ".";
  return at == 0 ? path.substr(0, 1) : path.substr(0, at);
}

std::string NameOf(const std::string& path) {
  std::size_t at = LastDelimiter(path);
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  std::size_t last = LastDelimiter(folder);
  bool ends = !folder.empty() && last == folder.size() - 1;
  return ends ? folder + name : folder + "\\" + name;
}

std::string TablePath(const std::string& table) {
  std::string name = NameOf(table);
  return ExtensionDot(name) == std::string::npos ? table + ".DB" : table;
}

std::string SecondaryExtension(bool composite, int number, bool tree) {
  char ext[8];
  if (composite) {
    std::snprintf(ext, sizeof ext, "%cG%X", tree ? 'Y' : 'X', number);
  } else {
    std::snprintf(ext, sizeof ext, "%c%02X", tree ? 'Y' : 'X', number);
  }
  return ext;
}

std::optional<SecondaryFiles> ParseSecondaryExtension(const std::string& extension, bool* tree) {
  std::string e = FoldName(extension);
  if (e.size() != 3 || (e[0] != 'X' && e[0] != 'Y')) return std::nullopt;
  *tree = e[0] == 'Y';
  SecondaryFiles s;
  if (e[1] == 'G' && IsHex(e[2])) {
    s.composite = true;
    s.number = HexValue(e[2]);
  } else if (IsHex(e[1]) && IsHex(e[2])) {
    s.number = HexValue(e[1]) * 16 + HexValue(e[2]);
    if (s.number == 0) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return s;
}

std::vector<std::string> Family::Members() const {
  std::vector<std::string> all;
  for (const std::string* p : {&db, &px, &mb, &val}) {
    if (!p->empty()) all.push_back(*p);
  }
  for (const SecondaryFiles& s : secondaries) {
    if (!s.x.empty()) all.push_back(s.x);
    if (!s.y.empty()) all.push_back(s.y);
  }
  return all;
}

std::string Family::Path(const std::string& extension) const {
  return JoinFolder(folder, base + "." + extension);
}

Family FindFamily(platform::FileSystem& fs, const std::string& db_path) {
  Family f;
  std::string path = TablePath(db_path);
  f.folder = FolderOf(path);
  std::string name = NameOf(path);
  std::size_t dot = ExtensionDot(name);
  f.base = name.substr(0, dot);
  const std::string base = FoldName(f.base);
  const std::string db_ext = FoldName(name.substr(dot + 1));

  std::vector<std::string> names = TranslateFileErrors(path, [&] { return fs.ListFolder(f.folder); });
  std::sort(names.begin(), names.end());
  for (const std::string& entry : names) {
    std::size_t d = ExtensionDot(entry);
    if (d == std::string::npos || FoldName(entry.substr(0, d)) != base) continue;
    std::string ext = FoldName(entry.substr(d + 1));
    std::string full = JoinFolder(f.folder, entry);
    if (fs.DirectoryExists(full)) continue;
    bool tree = false;
    if (ext == db_ext) {
      f.db = full;
    } else if (ext == "PX") {
      f.px = full;
    } else if (ext == "MB") {
      f.mb = full;
    } else if (ext == "VAL") {
      f.val = full;
    } else if (std::optional<SecondaryFiles> s = ParseSecondaryExtension(ext, &tree)) {
      auto same = [&](const SecondaryFiles& o) { return o.composite == s->composite && o.number == s->number; };
      auto it = std::find_if(f.secondaries.begin(), f.secondaries.end(), same);
      if (it == f.secondaries.end()) it = f.secondaries.insert(f.secondaries.end(), *s);
      (tree ? it->y : it->x) = full;
    }
  }
  std::sort(f.secondaries.begin(), f.secondaries.end(), [](const SecondaryFiles& a, const SecondaryFiles& b) {
    return a.composite != b.composite ? !a.composite : a.number < b.number;
  });
  return f;
}

}  // namespace engine
