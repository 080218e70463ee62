// The table engine of the process: our stand-in for the Paradox engine the estimating
// application uses. It reads and writes Paradox table families so that the original
// engine accepts everything it leaves behind.
//
// One Engine per process. It holds the file system, the persistent per-user alias store
// and the registry of sessions (TSession) that table components (TTable) find by name.
// Every failure of an engine operation throws platform::EDBEngineError with a clear
// message that names the file concerned.
#ifndef HINMEI_ENGINE_OPERATIONS_ENGINE_H_
#define HINMEI_ENGINE_OPERATIONS_ENGINE_H_

#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace engine {

class AliasStore;
class TSession;

class Engine {
 public:
  // `alias_store_path` is the file of the persistent alias configuration (created when
  // missing, written atomically).
  Engine(platform::FileSystem& fs, std::string alias_store_path);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  platform::FileSystem& fs() { return fs_; }
  AliasStore& aliases() { return *aliases_; }

  // The session registered under `name`; EDBEngineError when there is none.
  TSession& FindSession(const std::string& name);

 private:
  friend class TSession;
  void Register(TSession& session);
  void Unregister(TSession& session);

  platform::FileSystem& fs_;
  std::unique_ptr<AliasStore> aliases_;
  std::map<std::string, TSession*> sessions_;  // by session name, not owned
};

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_ENGINE_H_
