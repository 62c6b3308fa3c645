// IUnknown, the root of every platform interface, and __uuidof.
#pragma once

#include "windows.h"

#ifdef __cplusplus

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};

// Each interface declares its identifier with MORVANE_DECLARE_UUID after its
// definition; __uuidof takes the interface type or an expression of it.
template <typename T>
struct MorvaneUuid;
#define MORVANE_DECLARE_UUID(type, iid)             \
  template <>                                       \
  struct MorvaneUuid<type> {                        \
    static const IID& Get() { return iid; }         \
  }
#define __uuidof(x) MorvaneUuid<__typeof__(x)>::Get()

extern "C" const IID IID_IUnknown;
MORVANE_DECLARE_UUID(IUnknown, IID_IUnknown);

#endif
