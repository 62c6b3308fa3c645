// The system's message texts for the result codes this platform layer returns,
// and FormatMessageA over them.
#include <windows.h>
#include <d3dx10tex.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct Message {
  DWORD code;
  const char* text;
};

// Texts as the system words them, without the line end FormatMessageA adds.
// HRESULTs of facility WIN32 (E_INVALIDARG, E_OUTOFMEMORY …) share the text of
// their Win32 code and are found through it.
const Message kMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_MR_MID_NOT_FOUND, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_INVALID_ACCESS, "The access code is invalid."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_OLD_WIN_VERSION, "The specified program requires a newer version of Windows."},
    {ERROR_RMODE_APP, "The specified program was written for an earlier version of Windows."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class."},
    {ERROR_CLASS_ALREADY_EXISTS, "Class already exists."},
    {ERROR_CLASS_HAS_WINDOWS, "Class still has open windows."},

    {static_cast<DWORD>(E_UNEXPECTED), "Catastrophic failure"},
    {static_cast<DWORD>(E_NOINTERFACE), "No such interface supported"},
    {static_cast<DWORD>(E_POINTER), "Invalid pointer"},
    {static_cast<DWORD>(E_ABORT), "Operation aborted"},
    {static_cast<DWORD>(E_FAIL), "Unspecified error"},
    {static_cast<DWORD>(E_NOTIMPL), "Not implemented"},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), "Class not registered"},
    {0x80040110u, "Class does not support aggregation (or class object is remote)"},

    {static_cast<DWORD>(DXGI_STATUS_OCCLUDED), "The Present operation was invisible to the user."},
    {static_cast<DWORD>(DXGI_STATUS_CLIPPED), "The Present operation was partially invisible to the user."},
    {static_cast<DWORD>(DXGI_STATUS_NO_REDIRECTION),
     "The driver is requesting that the DXGI runtime not use shared resources to communicate with the Desktop "
     "Window Manager."},
    {static_cast<DWORD>(DXGI_STATUS_NO_DESKTOP_ACCESS),
     "The Present operation was not visible because the Windows session has switched to another desktop (for "
     "example, ctrl-alt-del)."},
    {static_cast<DWORD>(DXGI_STATUS_MODE_CHANGED),
     "The Present operation was not visible because the display mode changed. DXGI will have re-attempted the "
     "presentation."},
    {static_cast<DWORD>(DXGI_STATUS_MODE_CHANGE_IN_PROGRESS),
     "The Present operation was not visible because another Direct3D device was attempting to take fullscreen "
     "mode at the time."},
    {static_cast<DWORD>(DXGI_ERROR_INVALID_CALL),
     "The application made a call that is invalid. Either the parameters of the call or the state of some object "
     "was incorrect."},
    {static_cast<DWORD>(DXGI_ERROR_NOT_FOUND), "The object was not found."},
    {static_cast<DWORD>(DXGI_ERROR_MORE_DATA), "The caller did not supply a sufficiently large buffer."},
    {static_cast<DWORD>(DXGI_ERROR_UNSUPPORTED),
     "The specified device interface or feature level is not supported on this system."},
    {static_cast<DWORD>(DXGI_ERROR_DEVICE_REMOVED),
     "The GPU device instance has been suspended. Use GetDeviceRemovedReason to determine the appropriate action."},
    {static_cast<DWORD>(DXGI_ERROR_DEVICE_HUNG),
     "The GPU will not respond to more commands, most likely because of an invalid command passed by the calling "
     "application."},
    {static_cast<DWORD>(DXGI_ERROR_DEVICE_RESET),
     "The GPU will not respond to more commands, most likely because some other application submitted invalid "
     "commands. The calling application should re-create the device and continue."},
    {static_cast<DWORD>(DXGI_ERROR_WAS_STILL_DRAWING),
     "The GPU was busy at the moment when the call was made, and the call was neither executed nor scheduled."},
    {static_cast<DWORD>(DXGI_ERROR_DRIVER_INTERNAL_ERROR),
     "An internal issue prevented the driver from carrying out the specified operation. The driver's state is "
     "probably suspect, and the application should not continue."},
    {static_cast<DWORD>(DXGI_ERROR_NONEXCLUSIVE),
     "A global counter resource was in use, and the specified counter cannot be used by this Direct3D device at "
     "this time."},
    {static_cast<DWORD>(DXGI_ERROR_NOT_CURRENTLY_AVAILABLE),
     "The resource or request is not currently available, but it might become available later."},

    {static_cast<DWORD>(D3D10_ERROR_TOO_MANY_UNIQUE_STATE_OBJECTS),
     "There are too many unique instances of a particular type of state object."},
    {static_cast<DWORD>(D3D10_ERROR_FILE_NOT_FOUND), "The file was not found."},
    {static_cast<DWORD>(D3DERR_INVALIDCALL),
     "The method call is invalid. For example, a method's parameter may not be a valid pointer."},
    // The image loaders refuse damaged files with this code.
    {static_cast<DWORD>(D3DX10_ERR_INVALID_DATA), "The data is invalid."},
};

const char* FindMessage(DWORD code) {
  for (const Message& message : kMessages) {
    if (message.code == code) return message.text;
  }
  if ((code & 0x80000000u) && HRESULT_FACILITY(code) == FACILITY_WIN32) return FindMessage(HRESULT_CODE(code));
  return nullptr;
}

constexpr char kLineEnd[] = "\r\n";

}  // namespace

extern "C" {

// Only system messages exist here; the language is ignored (every text is
// English) and no text is ever wrapped.
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                            void*) {
  bool allocate = (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (allocate && lpBuffer) *reinterpret_cast<char**>(lpBuffer) = nullptr;
  if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & FORMAT_MESSAGE_FROM_STRING) || !lpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = FindMessage(dwMessageId);
  if (!text) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  // Inserts would need the argument list, which no caller of this layer passes.
  if (!(dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) && std::strchr(text, '%')) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }

  std::size_t textLength = std::strlen(text);
  DWORD length = static_cast<DWORD>(textLength + sizeof(kLineEnd) - 1);
  char* out = lpBuffer;
  if (allocate) {
    out = static_cast<char*>(std::malloc(std::max<std::size_t>(length + 1, nSize)));
    if (!out) {
      SetLastError(ERROR_OUTOFMEMORY);
      return 0;
    }
    *reinterpret_cast<char**>(lpBuffer) = out;
  } else if (nSize < length + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, text, textLength);
  std::memcpy(out + textLength, kLineEnd, sizeof(kLineEnd));
  return length;
}

// Frees what FormatMessageA allocated, the only local memory this layer hands out.
HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  std::free(hMem);
  return nullptr;
}

}  // extern "C"
