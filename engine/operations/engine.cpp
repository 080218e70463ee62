#include "engine/operations/engine.h"

#include "engine/errors.h"
#include "engine/family.h"
#include "engine/operations/alias_store.h"
#include "engine/operations/session.h"

namespace engine {

Engine::Engine(platform::FileSystem& fs, std::string alias_store_path)
    : fs_(fs), aliases_(std::make_unique<AliasStore>(fs, std::move(alias_store_path))) {}

Engine::~Engine() = default;

TSession& Engine::FindSession(const std::string& name) {
  auto it = sessions_.find(FoldName(name));
  if (it == sessions_.end()) ThrowEngineError(texts::Format(texts::NoSuchSessionFormat(), name), "");
  return *it->second;
}

void Engine::Register(TSession& session) {
  std::string key = FoldName(session.SessionName());
  if (sessions_.count(key) != 0) ThrowEngineError(texts::Format(texts::SessionExistsFormat(), session.SessionName()), "");
  sessions_[key] = &session;
}

void Engine::Unregister(TSession& session) { sessions_.erase(FoldName(session.SessionName())); }

}  // namespace engine
