// The install tests' entry. Run as `install_tests --hold FILE READY RELEASE`, the program
// is the other program of the "in use" tests instead (platform/testing/other_process.h).
#include <gtest/gtest.h>

#include "platform/testing/kill_points.h"
#include "platform/testing/other_process.h"

int main(int argc, char** argv) {
  int exit_code = 0;
  if (platform::testing::RunAsHolder(argc, argv, &exit_code)) return exit_code;
  if (platform::testing::RunAsKillPointChild(argc, argv, &exit_code)) return exit_code;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
