// A DXGI output: one display of the windowing system.
#pragma once

#include "dxgi/dxgi_object.h"
#include "sdl/sdl_video.h"

// The back-buffer formats a swap chain can present.
bool DxgiIsPresentable(DXGI_FORMAT format);

// Holds a share of SDL video for its life, so the display it names stays
// listed.
class DxgiOutput final : public DxgiObject<IDXGIOutput> {
 public:
  // display is SDL's display index.
  DxgiOutput(IDXGIAdapter* adapter, UINT display);

  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_OUTPUT_DESC* pDesc) override;
  UINT Display() const { return m_display; }
  HRESULT STDMETHODCALLTYPE GetDisplayModeList(DXGI_FORMAT EnumFormat, UINT Flags, UINT* pNumModes,
                                               DXGI_MODE_DESC* pDesc) override;

 private:
  SdlVideo m_video;
  UINT m_display;
};
