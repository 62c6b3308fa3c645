#include <morvane/Clock.h>

#include <cmath>

#include <windows.h>

namespace {

uint64_t ReadCounter() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<uint64_t>(counter.QuadPart);
}

}  // namespace

CClock::CClock()
    : m_DeltaTicks(0), m_FrameTime(0.0), m_TotalTime(0.0), m_FPS(0.0), m_FrameCount(0) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  m_Frequency = frequency.QuadPart;
  m_StartCounter = ReadCounter();
  m_PreviousCounter = m_StartCounter;
  m_CurrentCounter = m_StartCounter;
  m_TotalTicks = 0;
}

void CClock::Update() {
  // The smoothing factor of one millisecond: the weight of the old rate falls
  // to 1/e after a quarter second of frames, whatever the frame rate.
  static const double kSmoothing = std::exp(-0.004);

  ++m_FrameCount;
  m_PreviousCounter = m_CurrentCounter;
  m_CurrentCounter = ReadCounter();
  m_DeltaTicks = m_CurrentCounter - m_PreviousCounter;
  m_TotalTicks += m_DeltaTicks;
  m_FrameTime = static_cast<double>(m_DeltaTicks) / static_cast<double>(m_Frequency);
  m_TotalTime = static_cast<double>(m_TotalTicks) / static_cast<double>(m_Frequency);

  if (m_FrameTime > 0.0) {
    double p = std::pow(kSmoothing, m_FrameTime * 1000.0);
    m_FPS = p * m_FPS + (1.0 - p) / m_FrameTime;
  } else {
    m_FPS = 200000.0;
  }
}

void CClock::StartTimer() { m_Timers.push_back(ReadCounter()); }

double CClock::StopTimer() {
  if (m_Timers.empty()) return 0.0;
  uint64_t elapsed = ReadCounter() - m_Timers.back();
  m_Timers.pop_back();
  return static_cast<double>(elapsed) / static_cast<double>(m_Frequency);
}
