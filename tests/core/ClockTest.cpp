#include <gtest/gtest.h>

#include <morvane/Clock.h>

TEST(Clock, StartsAtZero) {
  CClock clock;
  EXPECT_EQ(clock.GetFrameTime(), 0.0);
  EXPECT_EQ(clock.GetTotalTime(), 0.0);
  EXPECT_EQ(clock.GetFPS(), 0.0);
  EXPECT_EQ(clock.GetFrameCount(), 0u);
}

TEST(Clock, UpdateAccumulatesFrames) {
  CClock clock;
  double total = 0.0;
  for (int i = 0; i < 3; ++i) {
    clock.Update();
    EXPECT_GE(clock.GetFrameTime(), 0.0);
    total += clock.GetFrameTime();
  }
  EXPECT_EQ(clock.GetFrameCount(), 3u);
  EXPECT_NEAR(clock.GetTotalTime(), total, 1e-9);
  EXPECT_GT(clock.GetFPS(), 0.0);
}

TEST(Clock, StopTimerWithoutStartReturnsZero) {
  CClock clock;
  EXPECT_EQ(clock.StopTimer(), 0.0);
}

TEST(Clock, TimersNestInnermostFirst) {
  CClock clock;
  clock.StartTimer();
  clock.StartTimer();
  clock.StartTimer();
  double inner = clock.StopTimer();
  double middle = clock.StopTimer();
  double outer = clock.StopTimer();
  EXPECT_LE(inner, middle);
  EXPECT_LE(middle, outer);
  EXPECT_GE(inner, 0.0);
  EXPECT_EQ(clock.StopTimer(), 0.0);
}
