// The engine sessions and table components the main window owns for the install run.
#ifndef HINMEI_INSTALL_ENGINE_COMPONENTS_H_
#define HINMEI_INSTALL_ENGINE_COMPONENTS_H_

#include "engine/operations/engine.h"
#include "engine/operations/session.h"
#include "engine/operations/table.h"

namespace install {

// Session1 serves the management folder, Session2 the destination folders, Session3 the
// type-settings folder. TblHik is the management table (table name "M6hink.DB"), TblNew
// names each destination table in turn, TblHsy the type table.
struct EngineComponents {
  explicit EngineComponents(engine::Engine& engine);

  engine::Engine& engine;
  engine::TSession Session1;
  engine::TSession Session2;
  engine::TSession Session3;
  engine::TTable TblHik;
  engine::TTable TblNew;
  engine::TTable TblHsy;
};

}  // namespace install

#endif  // HINMEI_INSTALL_ENGINE_COMPONENTS_H_
