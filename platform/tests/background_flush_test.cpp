#include "platform/background_flush_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/testing/temp_folder.h"

namespace platform {
namespace {

// A new file in `temp` holding `data`, open for reading and writing; -1 on a failure.
int NewFile(const testing::TempFolder& temp, const std::string& name, const std::string& data) {
  std::string path = temp / name;
  std::replace(path.begin(), path.end(), '\\', '/');
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0 && ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The system tells a failed flush once, to whoever asks first: a flush in the background
// keeps its failure for the next Finish of the same file, and only for that.
TEST(BackgroundFlush, AFailureIsToldOnceByTheNextFinishOfItsFile) {
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  StartBackgroundFlush(pipe_ends[1]);  // a pipe cannot be flushed
  EXPECT_EQ(FinishBackgroundFlushes(pipe_ends[1]), EINVAL);
  EXPECT_EQ(FinishBackgroundFlushes(pipe_ends[1]), 0);
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
}

TEST(BackgroundFlush, FlushesOfAFileThatSucceedLeaveNothingToTell) {
  testing::TempFolder temp;
  int fd = NewFile(temp, "f.bin", "data");
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 8; ++i) StartBackgroundFlush(fd);
  EXPECT_EQ(FinishBackgroundFlushes(fd), 0);
  ::close(fd);
}

// A child forked while its parent's flushes run has none of their threads: it must not
// wait for them.
TEST(BackgroundFlush, AForkedChildDoesNotWaitForItsParentsFlushes) {
  testing::TempFolder temp;
  int fd = NewFile(temp, "big.bin", std::string(16 << 20, 'x'));
  ASSERT_GE(fd, 0);
  StartBackgroundFlush(fd);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(10);  // a child that waits for ever ends by the alarm, not with 0
    _exit(FinishBackgroundFlushes(fd) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(FinishBackgroundFlushes(fd), 0);
  ::close(fd);
}

}  // namespace
}  // namespace platform
