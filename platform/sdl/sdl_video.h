// The SDL video subsystem, shared by the displays the platform layer reports
// and the windows it opens.
#pragma once

#include <vector>

// A display mode as the windowing system reports it.
struct SdlDisplayMode {
  int width;
  int height;
  // Hz, never 0: a display that does not report its rate counts as 60 Hz.
  int refreshRate;
  int bitsPerPixel;
};

struct SdlDisplayBounds {
  int x;
  int y;
  int width;
  int height;
};

// One share of SDL video. The first share of the process looks for a real
// display driver (x11, wayland, kmsdrm …); without one every share has
// HasDisplay() false and holds nothing. SDL counts its own initialisations,
// so each share starts and stops the subsystem once. Not thread-safe: the
// engine calls in from its one thread.
class SdlVideo {
 public:
  SdlVideo();
  ~SdlVideo();
  SdlVideo(const SdlVideo&) = delete;
  SdlVideo& operator=(const SdlVideo&) = delete;

  bool HasDisplay() const { return m_hasDisplay; }

  // 0 without a display.
  int DisplayCount() const;
  // Each returns false when the display does not exist (any more).
  bool GetBounds(int display, SdlDisplayBounds* bounds) const;
  bool GetDesktopMode(int display, SdlDisplayMode* mode) const;
  // Every mode SDL lists for the display, in SDL's order; duplicates are
  // possible where SDL lists one size in several pixel formats.
  bool GetModes(int display, std::vector<SdlDisplayMode>* modes) const;

 private:
  bool m_hasDisplay = false;
};
