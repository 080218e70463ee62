// The persistent alias configuration: one text file (CP932, CRLF lines) with a section
// per alias and its parameters as name=value lines:
//
//   [KELO0]
//   TYPE=STANDARD
//   PATH=C:\kelo_v6\data0_v6
//   DEFAULT DRIVER=PARADOX
//
// Every change reads the file, changes it and replaces it atomically (a new file is
// written beside it, flushed, and renamed over it). Alias names compare without regard
// to the case of ASCII letters.
#ifndef HINMEI_ENGINE_OPERATIONS_ALIAS_STORE_H_
#define HINMEI_ENGINE_OPERATIONS_ALIAS_STORE_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace engine {

class AliasStore {
 public:
  AliasStore(platform::FileSystem& fs, std::string path);

  const std::string& path() const { return path_; }

  // The alias's parameters ("PATH=...", "DEFAULT DRIVER=..."), nothing for an unknown one.
  std::optional<std::vector<std::string>> Params(const std::string& alias);
  // Adds the alias, replacing one of that name.
  void Set(const std::string& alias, const std::string& type, const std::vector<std::string>& params);
  // Replaces the parameters of an existing alias.
  void Modify(const std::string& alias, const std::vector<std::string>& params);
  void Remove(const std::string& alias);

  // The value of parameter `name` of a parameter list; empty when absent.
  static std::string Value(const std::vector<std::string>& params, const std::string& name);
  static void SetValue(std::vector<std::string>& params, const std::string& name, const std::string& value);

 private:
  struct Entry {
    std::string name;
    std::string type;
    std::vector<std::string> params;
  };

  std::vector<Entry> Load();
  void Save(const std::vector<Entry>& entries);
  void CheckParams(const std::vector<std::string>& params) const;
  [[noreturn]] void ThrowUnknown(const std::string& alias) const;

  platform::FileSystem& fs_;
  std::string path_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_ALIAS_STORE_H_
