// A second process for the tests: this test program run again with other arguments.
#ifndef HINMEI_ENGINE_TESTS_OTHER_PROCESS_H_
#define HINMEI_ENGINE_TESTS_OTHER_PROCESS_H_

#include <string>
#include <vector>

namespace engine::testing {

class OtherProcess {
 public:
  // Starts this program with `args`; `started()` tells whether it runs.
  explicit OtherProcess(const std::vector<std::string>& args);
  // Waits for it to end.
  ~OtherProcess();
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;

  bool started() const { return started_; }
  // Waits for it to end and answers its exit code.
  int Wait();

 private:
  bool started_ = false;
  bool waited_ = false;
  long long handle_ = 0;
};

}  // namespace engine::testing

#endif  // HINMEI_ENGINE_TESTS_OTHER_PROCESS_H_
