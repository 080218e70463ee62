// The engine tests' entry. Run as `engine_tests --hold FILE READY RELEASE`, the program
// is the second process of the "in use" tests instead (other_process.h).
#include <gtest/gtest.h>

#include "engine/tests/other_process.h"

int main(int argc, char** argv) {
  int exit_code = 0;
  if (engine::testing::RunAsHolder(argc, argv, &exit_code)) return exit_code;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
