// The EGL devices able to run an OpenGL 4.5 core context: the adapters of the
// platform layer. Each has an initialised EGLDisplay on which the Direct3D
// devices of that adapter create their contexts.
#pragma once

#include <epoxy/egl.h>

#include <string>
#include <vector>

struct EglDevice {
  // EGL_NO_DEVICE_EXT when the display came from the surfaceless platform.
  EGLDeviceEXT device;
  // Initialised once and kept for the life of the process.
  EGLDisplay display;
  std::string renderer;  // GL_RENDERER
  std::string vendor;    // GL_VENDOR
  // A CPU rasteriser (llvmpipe, softpipe) rather than a GPU.
  bool software;
  // Video memory of a GPU in bytes, 0 when the driver does not tell.
  unsigned long long dedicatedMemory;
};

// The usable devices, GPUs first. Probed once per process on first use: every
// enumerated EGL device is tried; when none can run GL 4.5 core, the
// surfaceless Mesa platform is tried as the only one. Empty when neither works.
// The probe leaves no context current on the calling thread.
const std::vector<EglDevice>& EglDevices();

// A new OpenGL 4.5 core-profile context on an initialised display, without a
// config (render into framebuffer objects) and not current; EGL_NO_CONTEXT on
// failure. The caller destroys it with eglDestroyContext.
EGLContext EglCreateCoreContext(EGLDisplay display);
