// demo_medium: writes the demo install medium and the estimating application's data
// folders as a customer has them.
//
//   demo_medium MEDIUM DATA0 DATA1
//
// MEDIUM gets the catalogue kelo.txt, one subfolder per master (item tables of some
// thousands of rows with Japanese names and memo texts) and the new type table. The last
// master lacks its classification table, as a medium put together by hand may: its
// install writes lines into the error log, which the program shows at the end. DATA0,
// the management folder, gets M6hink.DB with the masters installed so far and the unit
// table TANITBL.DB; DATA1, the type-settings folder, the type table in use. The
// catalogue names destinations under C:\kelo_v6\, as the program's default folders are.
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/data_layout.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/file_system.h"
#include "tools/medium/medium_writer.h"

namespace {

struct DemoMaster {
  const char* name;       // UTF-8
  const char* subfolder;
  int items;
  bool without_classification = false;
};

// The last one is last on purpose: once the error log holds a line, no later master of
// the run is registered.
const DemoMaster kMasters[] = {
    {"建築資材 2026年版", "kenchiku", 4000},
    {"設備機器 2026年版", "setsubi", 3000},
    {"電気資材 2026年版", "denki", 2500},
    {"土木資材 2026年版", "doboku", 1500},
    {"内装仕上 \"特選\"", "naiso", 800},
    {"試作品 (分類ファイルなし)", "shisaku", 300, true},
};

int Run(const std::string& medium_folder, const std::string& data0, const std::string& data1) {
  platform::FileSystem& fs = platform::OsFileSystem();
  for (const std::string& folder : {medium_folder, data0, data1}) {
    if (!fs.ForceDirectories(folder)) {
      std::fprintf(stderr, "demo_medium: cannot create %s\n", folder.c_str());
      return 1;
    }
  }
  std::vector<medium::CatalogueLine> catalogue;
  int number = 10;
  for (const DemoMaster& demo : kMasters) {
    medium::MasterSpec master;
    master.number = ++number;
    master.items = demo.items;
    master.seed = static_cast<std::uint32_t>(number);
    const std::string folder = catalogue::JoinPath(medium_folder, demo.subfolder);
    medium::WriteMasterFolder(fs, folder, master);
    if (demo.without_classification) fs.RemoveFile(catalogue::JoinPath(folder, catalogue::kClassificationTable));
    catalogue.push_back({platform::Utf8ToCp932(demo.name), "C:\\kelo_v6\\hinmei" + std::to_string(number),
                         demo.subfolder});
    std::printf("demo_medium: master %s, %d items%s\n", demo.subfolder, demo.items,
                demo.without_classification ? ", without its classification table" : "");
  }
  medium::WriteCatalogue(fs, catalogue::JoinPath(medium_folder, "kelo.txt"), catalogue);
  medium::WriteTypeTable(fs, catalogue::JoinPath(medium_folder, catalogue::kTypeTable), 40);
  medium::WriteManagementTable(fs, catalogue::JoinPath(data0, catalogue::kManagementTable), 10, 10);
  medium::WriteUnitTable(fs, catalogue::JoinPath(data0, catalogue::kUnitTable));
  medium::WriteTypeTable(fs, catalogue::JoinPath(data1, catalogue::kTypeTable), 25);
  std::printf("demo_medium: medium %s, data folders %s and %s\n", medium_folder.c_str(), data0.c_str(),
              data1.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: demo_medium MEDIUM DATA0 DATA1\n");
    return 2;
  }
  try {
    return Run(argv[1], argv[2], argv[3]);
  } catch (const platform::Exception& e) {
    std::fprintf(stderr, "demo_medium: %s\n", platform::Cp932ToUtf8(e.Message()).c_str());
    return 1;
  }
}
