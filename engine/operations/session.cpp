#include "engine/operations/session.h"

#include "engine/errors.h"
#include "engine/operations/alias_store.h"
#include "engine/operations/engine.h"
#include "engine/operations/net_file.h"

namespace engine {
namespace {

constexpr char kPathParam[] = "PATH";

std::vector<std::string> ParamsOf(TSession& session, const std::string& alias) {
  AliasStore& store = session.engine().aliases();
  std::optional<std::vector<std::string>> params = store.Params(alias);
  if (!params) ThrowEngineError(texts::Format(texts::UnknownAliasFormat(), alias), store.path());
  return *params;
}

}  // namespace

TSession::TSession(Engine& engine, std::string session_name) : engine_(engine), name_(std::move(session_name)) {
  engine_.Register(*this);
}

TSession::~TSession() { engine_.Unregister(*this); }

void TSession::SetNetFileDir(const std::string& folder) {
  if (active_ > 0) {
    std::unique_ptr<NetFileHold> next;
    if (!folder.empty()) next = std::make_unique<NetFileHold>(engine_.fs(), folder);
    net_file_ = std::move(next);
  }
  net_file_dir_ = folder;
}

void TSession::Acquire() {
  if (active_ == 0 && !net_file_dir_.empty()) net_file_ = std::make_unique<NetFileHold>(engine_.fs(), net_file_dir_);
  ++active_;
}

void TSession::Release() {
  if (--active_ == 0) net_file_.reset();
}

TSession::Activity::Activity(TSession* session) : session_(session) {
  if (session_ != nullptr) session_->Acquire();
}

TSession::Activity::~Activity() {
  if (session_ != nullptr) session_->Release();
}

std::string TSession::AliasPath(const std::string& alias) {
  return AliasStore::Value(ParamsOf(*this, alias), kPathParam);
}

void AddFolderAlias(TSession& session, const std::string& alias, const std::string& folder,
                    const std::string& driver) {
  session.engine().aliases().Set(alias, "STANDARD", {std::string(kPathParam) + "=" + folder, "DEFAULT DRIVER=" + driver});
}

void SetAliasPath(TSession& session, const std::string& alias, const std::string& folder) {
  std::vector<std::string> params = ParamsOf(session, alias);
  AliasStore::SetValue(params, kPathParam, folder);
  session.engine().aliases().Modify(alias, params);
}

void DropAlias(TSession& session, const std::string& alias) { session.engine().aliases().Remove(alias); }

}  // namespace engine
