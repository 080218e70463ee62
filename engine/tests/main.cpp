// The engine tests' entry. Run as `engine_tests --hold FILE READY RELEASE`, the program
// is the second process of the "in use" tests instead: it holds FILE open as another
// program would, creates READY, and lets go once RELEASE exists.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/tests/other_process.h"
#include "platform/file_system.h"

namespace {

int Hold(const std::string& file, const std::string& ready, const std::string& release) {
  platform::FileSystem& fs = platform::OsFileSystem();
  auto held = fs.Open(file, platform::Access::kRead, platform::Share::kReadWrite, platform::Disposition::kOpenExisting);
  platform::WriteWholeFile(fs, ready, "held");
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs.FileExists(release) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--hold") return Hold(argv[2], argv[3], argv[4]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
