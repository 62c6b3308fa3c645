#include <morvane/RenderBuffer.h>

#include <morvane/GraphicsDevice.h>

bool IRenderTarget::IsBound() const { return m_pDevice->GetRenderTarget() == this; }

void IRenderTarget::Clear(const ColorRGBA& color) {
  ID3D10RenderTargetView* const* views = GetViewArray();
  for (unsigned int i = 0; i < GetViewCount(); ++i)
    m_pDevice->GetDevice()->ClearRenderTargetView(views[i], &color.r);
}

void IRenderTarget::ClearView(unsigned int index, const ColorRGBA& color) {
  m_pDevice->GetDevice()->ClearRenderTargetView(GetViewArray()[index], &color.r);
}

bool IDepthStencilTarget::IsBound() const { return m_pDevice->GetDepthStencil() == this; }

void IDepthStencilTarget::ClearDepth() {
  m_pDevice->GetDevice()->ClearDepthStencilView(GetView(), D3D10_CLEAR_DEPTH, 1.0f, 0);
}

void IDepthStencilTarget::Clear(unsigned int flags, float depth, unsigned char stencil) {
  m_pDevice->GetDevice()->ClearDepthStencilView(GetView(), flags, depth, stencil);
}
