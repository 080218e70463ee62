// Engine sessions and the alias operations the installer uses.
#ifndef HINMEI_ENGINE_OPERATIONS_SESSION_H_
#define HINMEI_ENGINE_OPERATIONS_SESSION_H_

#include <memory>
#include <string>
#include <vector>

namespace engine {

class Engine;
class NetFileHold;

// A session: a name that table components refer to, and the folder of its shared-access
// control file (`NetFileDir`). Aliases live in the engine's persistent alias store and
// are reached through a session, as the original engine's are.
class TSession {
 public:
  TSession(Engine& engine, std::string session_name);
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  const std::string& SessionName() const { return name_; }
  Engine& engine() { return engine_; }

  // The session keeps its shared-access control file in this folder: at once when the
  // session is active (a table of it is open), else when it becomes active.
  void SetNetFileDir(const std::string& folder);
  const std::string& NetFileDir() const { return net_file_dir_; }

  // The folder an alias names ("PATH"); EDBEngineError for an unknown alias.
  std::string AliasPath(const std::string& alias);

  // Keeps a session active while it lives (a null session is allowed and does nothing).
  // Table components hold one while they are open and during each operation.
  class Activity {
   public:
    explicit Activity(TSession* session);
    ~Activity();
    Activity(const Activity&) = delete;
    Activity& operator=(const Activity&) = delete;

   private:
    TSession* session_;
  };
  bool Active() const { return active_ > 0; }

 private:
  void Acquire();
  void Release();

  Engine& engine_;
  std::string name_;
  std::string net_file_dir_;
  int active_ = 0;
  std::unique_ptr<NetFileHold> net_file_;  // held while active and NetFileDir is set
};

// Adds a "STANDARD" alias with "PATH" = folder and "DEFAULT DRIVER" = driver to the
// persistent configuration. An alias of that name that is already defined (left by an
// interrupted run) is replaced.
void AddFolderAlias(TSession& session, const std::string& alias, const std::string& folder,
                    const std::string& driver);

// Reads the alias's "DB INFO" parameters as name=value lines, sets "PATH" to `folder`
// and writes the whole list back, so that its other parameters stay as they were.
void SetAliasPath(TSession& session, const std::string& alias, const std::string& folder);

// Removes the alias from the persistent configuration.
void DropAlias(TSession& session, const std::string& alias);

}  // namespace engine

#endif  // HINMEI_ENGINE_OPERATIONS_SESSION_H_
