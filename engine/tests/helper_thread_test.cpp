// The helper thread that the steps of one build share: its work runs on it in turn, an
// error comes back through Wait once, it outlives that error, and it is not ended while
// work is in hand; a waiter that has gone to sleep still wakes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "engine/threads/helper_thread.h"

namespace engine {
namespace {

TEST(HelperThread, RunsEachPieceOnItsThreadAndTellsItsErrorOnce) {
  std::unique_ptr<HelperThread> helper = HelperThread::Start();
  if (!helper) GTEST_SKIP() << "one processor: no helper thread";
  std::thread::id ran_on;
  int sum = 0;
  for (int piece = 1; piece <= 3; ++piece) {
    helper->Run([&, piece] {
      ran_on = std::this_thread::get_id();
      sum += piece;
    });
    helper->Wait();
  }
  EXPECT_EQ(sum, 6);
  EXPECT_NE(ran_on, std::this_thread::get_id());

  helper->Run([] { throw std::runtime_error("piece failed"); });
  EXPECT_THROW(helper->Wait(), std::runtime_error);
  EXPECT_NO_THROW(helper->Wait()) << "the error is told once";
  helper->Run([&] { sum = 0; });
  helper->Wait();
  EXPECT_EQ(sum, 0) << "the thread outlives an error of its work";
}

TEST(HelperThread, EndsOnlyOnceItsWorkIsDone) {
  std::unique_ptr<HelperThread> helper = HelperThread::Start();
  if (!helper) GTEST_SKIP() << "one processor: no helper thread";
  bool done = false;
  helper->Run([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    done = true;
  });
  helper.reset();
  EXPECT_TRUE(done);
}

}  // namespace
}  // namespace engine
