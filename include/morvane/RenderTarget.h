// RenderTexture2D, CubeRenderTexture, RenderTargetArray: colour targets. Each
// owns its textures and views; a shader-readable target also has a shader
// resource view on its texture, so that a later pass can sample what was drawn.
#pragma once

#include "DepthStencilBuffer.h"
#include "RenderBuffer.h"
#include "Texture.h"

class RenderTexture2D : public IRenderTarget {
 public:
  RenderTexture2D(GraphicsDevice* device, DataFormat format, unsigned int width, unsigned int height,
                  unsigned int sampleCount, unsigned int sampleQuality, bool shaderReadable);
  // Takes over the caller's reference to an existing texture (a back buffer).
  RenderTexture2D(GraphicsDevice* device, Texture2D* texture);
  ~RenderTexture2D() override;
  RenderTexture2D(const RenderTexture2D&) = delete;
  RenderTexture2D& operator=(const RenderTexture2D&) = delete;

  ID3D10RenderTargetView* const* GetViewArray() const override { return &m_pView; }
  unsigned int GetViewCount() const override { return 1; }

  // Binds this target with its own depth buffer (which may be null).
  void Bind();
  // Replaces the depth buffer with one of the texture's size and sampling.
  void CreateAutoDepthStencil(DataFormat format, bool shaderReadable);
  // Rebuilds texture, view and depth buffer; nothing when the size is unchanged.
  void SetSize(unsigned int width, unsigned int height);

  DataFormat GetDataFormat() const { return m_Format; }
  Texture2D* GetTexture() const { return m_pTexture; }
  unsigned int GetWidth() const { return m_Width; }
  unsigned int GetHeight() const { return m_Height; }
  unsigned int GetSampleCount() const { return m_SampleCount; }
  unsigned int GetSampleQuality() const { return m_SampleQuality; }
  DepthStencilBuffer* GetDepthStencilBuffer() const { return m_pDepthStencil; }

 private:
  void CreateTexture();
  void CreateRTV();

  DataFormat m_Format;
  unsigned int m_Width;
  unsigned int m_Height;
  unsigned int m_SampleCount;
  unsigned int m_SampleQuality;
  bool m_ShaderReadable;
  ID3D10RenderTargetView* m_pView;
  Texture2D* m_pTexture;
  DepthStencilBuffer* m_pDepthStencil;
};

class CubeRenderTexture : public IRenderTarget {
 public:
  CubeRenderTexture(GraphicsDevice* device, unsigned int length, DataFormat format, unsigned int mipLevels,
                    unsigned int sampleCount, unsigned int sampleQuality, bool shaderReadable);
  ~CubeRenderTexture() override;
  CubeRenderTexture(const CubeRenderTexture&) = delete;
  CubeRenderTexture& operator=(const CubeRenderTexture&) = delete;

  // Switch the view GetViewArray returns; takes effect at the next SetRenderTargets.
  void UseSingleView(CUBEMAP_FACE face);
  void UseCubeView();
  ID3D10RenderTargetView* const* GetViewArray() const override { return &m_pCurrentView; }
  unsigned int GetViewCount() const override { return 1; }

  void CreateSingleDepthStencil(DataFormat format, bool shaderReadable);
  void CreateCubeDepthStencil(DataFormat format, bool shaderReadable);

  CubeTexture* GetTexture() const { return m_pTexture; }
  DepthStencilBuffer* GetSingleDepthStencilBuffer() const { return m_pSingleDepthStencil; }
  CubeDepthStencilBuffer* GetCubeDepthStencilBuffer() const { return m_pCubeDepthStencil; }

 private:
  CubeTexture* m_pTexture;
  ID3D10RenderTargetView* m_pCubeView;
  ID3D10RenderTargetView* m_pFaceViews[6];
  ID3D10RenderTargetView* m_pCurrentView;
  DepthStencilBuffer* m_pSingleDepthStencil;
  CubeDepthStencilBuffer* m_pCubeDepthStencil;
};

class RenderTargetArray : public IRenderTarget {
 public:
  static const unsigned int kMaxTargets = 8;

  RenderTargetArray(GraphicsDevice* device, unsigned int width, unsigned int height, unsigned int sampleCount,
                    unsigned int sampleQuality);
  ~RenderTargetArray() override;
  RenderTargetArray(const RenderTargetArray&) = delete;
  RenderTargetArray& operator=(const RenderTargetArray&) = delete;

  // A new shader-readable target of the array's size; null when 8 exist.
  RenderTexture2D* AddTarget(DataFormat format);
  RenderTexture2D* GetTarget(unsigned int index) const {
    return index < m_TargetCount && index < kMaxTargets ? m_pTargets[index] : nullptr;
  }
  void CreateDepthStencil(DataFormat format, bool shaderReadable);
  void Bind();
  ID3D10RenderTargetView* const* GetViewArray() const override { return m_pViews; }
  unsigned int GetViewCount() const override { return m_TargetCount; }
  void SetSize(unsigned int width, unsigned int height);

  unsigned int GetWidth() const { return m_Width; }
  unsigned int GetHeight() const { return m_Height; }
  DepthStencilBuffer* GetDepthStencilBuffer() const { return m_pDepthStencil; }

 private:
  unsigned int m_Width;
  unsigned int m_Height;
  unsigned int m_SampleCount;
  unsigned int m_SampleQuality;
  unsigned int m_TargetCount;
  RenderTexture2D* m_pTargets[kMaxTargets];
  ID3D10RenderTargetView* m_pViews[kMaxTargets];
  DepthStencilBuffer* m_pDepthStencil;
};
