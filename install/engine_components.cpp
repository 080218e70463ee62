#include "install/engine_components.h"

#include <string>

#include "catalogue/data_layout.h"

namespace install {

EngineComponents::EngineComponents(engine::Engine& engine)
    : engine(engine),
      Session1(engine, "Session1"),
      Session2(engine, "Session2"),
      Session3(engine, "Session3"),
      TblHik(engine),
      TblNew(engine),
      TblHsy(engine) {
  TblHik.SetSessionName(Session1.SessionName());
  TblHik.SetTableName(std::string(catalogue::kManagementTable));
  TblNew.SetSessionName(Session2.SessionName());
  TblHsy.SetSessionName(Session3.SessionName());
}

}  // namespace install
