// A DXGI output: one display of the windowing system.
#pragma once

#include "dxgi/dxgi_object.h"
#include "sdl/sdl_video.h"

// Holds a share of SDL video for its life, so the display it names stays
// listed.
class DxgiOutput final : public DxgiObject<IDXGIOutput> {
 public:
  // display is SDL's display index.
  DxgiOutput(IDXGIAdapter* adapter, UINT display);

  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_OUTPUT_DESC* pDesc) override;
  HRESULT STDMETHODCALLTYPE GetDisplayModeList(DXGI_FORMAT EnumFormat, UINT Flags, UINT* pNumModes,
                                               DXGI_MODE_DESC* pDesc) override;

 private:
  SdlVideo m_video;
  UINT m_display;
};
