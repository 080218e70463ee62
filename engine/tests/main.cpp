// The engine tests' entry. Run as `engine_tests --hold FILE READY RELEASE`, the program
// is the second process of the "in use" tests instead (other_process.h); run with
// `--stop-before-change`, the child of the crash tests (kill_points.h).
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
