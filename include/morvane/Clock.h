// CClock: the engine clock over the performance counter, with a smoothed
// frame rate and a stack of nested timers.
#pragma once

#include <cstdint>
#include <vector>

class CClock {
 public:
  CClock();

  // Once per frame: measures the time since the previous Update.
  void Update();
  // Pushes the current counter value.
  void StartTimer();
  // Seconds since the matching StartTimer, which is popped; 0.0 when none is pending.
  double StopTimer();

  double GetFrameTime() const { return m_FrameTime; }
  double GetTotalTime() const { return m_TotalTime; }
  double GetFPS() const { return m_FPS; }
  unsigned int GetFrameCount() const { return m_FrameCount; }

 private:
  uint64_t m_StartCounter;
  uint64_t m_PreviousCounter;
  uint64_t m_CurrentCounter;
  uint64_t m_TotalTicks;
  uint64_t m_DeltaTicks;
  double m_FrameTime;
  double m_TotalTime;
  int64_t m_Frequency;
  double m_FPS;
  unsigned int m_FrameCount;
  std::vector<uint64_t> m_Timers;
};
