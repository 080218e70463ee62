// A second process for the tests: this test program run again with other arguments.
#ifndef HINMEI_PLATFORM_TESTING_OTHER_PROCESS_H_
#define HINMEI_PLATFORM_TESTING_OTHER_PROCESS_H_

#include <string>
#include <vector>

namespace platform::testing {

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

// A second process that holds a file open for shared reading and writing, the way the
// estimating application holds the tables it has open, until released. The program
// must hand `--hold` arguments to RunAsHolder in its main.
class OtherProgramHolding {
 public:
  // Starts the holder and waits (up to 30 s) until it holds `file`; its ready and
  // release signals are files in `signal_folder`.
  OtherProgramHolding(const std::string& file, const std::string& signal_folder);
  ~OtherProgramHolding();  // releases
  OtherProgramHolding(const OtherProgramHolding&) = delete;
  OtherProgramHolding& operator=(const OtherProgramHolding&) = delete;

  bool holding() const { return holding_; }
  // Lets go and waits for the holder to end; answers its exit code.
  int Release();

 private:
  std::string ready_;
  std::string release_;
  OtherProcess process_;
  bool holding_ = false;
};

// Run as `PROGRAM --hold FILE READY RELEASE`, the program is a holder: it holds FILE,
// creates READY and lets go once RELEASE exists (or after a minute). Answers true, with
// the holder's exit code, for such a command line.
bool RunAsHolder(int argc, char** argv, int* exit_code);

}  // namespace platform::testing

#endif  // HINMEI_PLATFORM_TESTING_OTHER_PROCESS_H_
