#include "egl/egl_device.h"

#include <epoxy/gl.h>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Whether a space-separated extension list holds name as a whole word.
bool HasToken(const char* list, const char* name) {
  if (!list) return false;
  std::size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
    bool starts = at == list || at[-1] == ' ';
    bool ends = at[length] == '\0' || at[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

bool IsSoftware(EGLDeviceEXT device, const std::string& renderer) {
  if (device != EGL_NO_DEVICE_EXT) {
    return HasToken(eglQueryDeviceStringEXT(device, EGL_EXTENSIONS), "EGL_MESA_device_software");
  }
  // Without a device only the renderer's name tells.
  return renderer.rfind("llvmpipe", 0) == 0 || renderer.rfind("softpipe", 0) == 0;
}

std::string GetGLString(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : std::string();
}

// Initialises the display and checks that it runs a GL 4.5 core context the
// way the Direct3D devices will use it: without a config and without a
// surface. A display that fails is terminated again.
bool ProbeDisplay(EGLDeviceEXT device, EGLDisplay display, EglDevice* result) {
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
  bool configless = epoxy_has_egl_extension(display, "EGL_KHR_no_config_context") ||
                    epoxy_has_egl_extension(display, "EGL_MESA_configless_context");
  EGLContext context = EGL_NO_CONTEXT;
  if (configless && epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) {
    context = EglCreateCoreContext(display);
  }
  bool usable = context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
  if (usable) {
    result->device = device;
    result->display = display;
    result->renderer = GetGLString(GL_RENDERER);
    result->vendor = GetGLString(GL_VENDOR);
    result->software = IsSoftware(device, result->renderer);
    result->dedicatedMemory = 0;
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
      GLint kilobytes = 0;
      glGetIntegerv(GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX, &kilobytes);
      result->dedicatedMemory = static_cast<unsigned long long>(std::max(kilobytes, 0)) * 1024;
    }
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
  if (!usable) eglTerminate(display);
  return usable;
}

void ProbeEnumeratedDevices(std::vector<EglDevice>* devices) {
  for (const char* extension : {"EGL_EXT_device_enumeration", "EGL_EXT_device_query", "EGL_EXT_platform_device"}) {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, extension)) return;
  }
  EGLint count = 0;
  if (!eglQueryDevicesEXT(0, nullptr, &count) || count <= 0) return;
  std::vector<EGLDeviceEXT> handles(static_cast<std::size_t>(count));
  if (!eglQueryDevicesEXT(count, handles.data(), &count)) return;
  handles.resize(static_cast<std::size_t>(count));
  for (EGLDeviceEXT handle : handles) {
    EglDevice device;
    if (ProbeDisplay(handle, eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, handle, nullptr), &device)) {
      devices->push_back(device);
    }
  }
}

void ProbeSurfaceless(std::vector<EglDevice>* devices) {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) return;
  EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EglDevice device;
  if (ProbeDisplay(EGL_NO_DEVICE_EXT, display, &device)) devices->push_back(device);
}

std::vector<EglDevice> ProbeDevices() {
  std::vector<EglDevice> devices;
  if (!epoxy_has_egl() || !epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base")) return devices;
  ProbeEnumeratedDevices(&devices);
  if (devices.empty()) ProbeSurfaceless(&devices);
  // GPUs first, so that adapter 0 is the fastest; the software rasteriser last.
  std::stable_partition(devices.begin(), devices.end(), [](const EglDevice& device) { return !device.software; });
  return devices;
}

// Mesa's GLSL linker takes about 2 MB from the heap for each program it links
// and gives it back when the program is deleted. glibc's default trim
// threshold follows the largest mapped block freed so far, so, depending on
// what the process allocated before, the freed top of the heap went back to
// the kernel after every link and was faulted in again by the next one:
// creating an effect became up to four times slower. A fixed threshold keeps
// that memory; a host that tunes malloc through the environment keeps its own
// settings.
void KeepHeapTopForLinks() {
#ifdef __GLIBC__
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  if (std::getenv("MALLOC_TRIM_THRESHOLD_") || (tunables && std::strstr(tunables, "malloc."))) return;
  mallopt(M_TRIM_THRESHOLD, 16 << 20);
#endif
}

}  // namespace

const std::vector<EglDevice>& EglDevices() {
  static const std::vector<EglDevice> s_devices = [] {
    KeepHeapTopForLinks();
    return ProbeDevices();
  }();
  return s_devices;
}

EGLContext EglCreateCoreContext(EGLDisplay display) {
  static const EGLint kAttributes[] = {
      EGL_CONTEXT_MAJOR_VERSION, 4,
      EGL_CONTEXT_MINOR_VERSION, 5,
      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
      EGL_NONE,
  };
  if (!eglBindAPI(EGL_OPENGL_API)) return EGL_NO_CONTEXT;
  return eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, kAttributes);
}
