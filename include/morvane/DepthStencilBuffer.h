// DepthStencilBuffer, DepthStencilBufferArray, CubeDepthStencilBuffer: depth
// targets. A shader-readable buffer keeps its depth in a texture format the
// shaders can view:
//   D32_FLOAT            -> texture R32_TYPELESS,           view R32_FLOAT
//   D16_UNORM            -> texture R16_TYPELESS,           view R16_UNORM
//   D24_UNORM_S8_UINT    -> texture R24_UNORM_X8_TYPELESS,  view the texture's format
//   D32_FLOAT_S8X24_UINT -> texture R32_FLOAT_X8X24_TYPELESS, view the texture's format
// The depth-stencil views always use the requested depth format.
#pragma once

#include "RenderBuffer.h"
#include "Texture.h"

class DepthStencilBuffer : public IDepthStencilTarget {
 public:
  DepthStencilBuffer(GraphicsDevice* device, unsigned int width, unsigned int height, DataFormat format,
                     unsigned int sampleCount, unsigned int sampleQuality, bool shaderReadable);
  ~DepthStencilBuffer() override;
  DepthStencilBuffer(const DepthStencilBuffer&) = delete;
  DepthStencilBuffer& operator=(const DepthStencilBuffer&) = delete;

  // Rebuilds texture and view for a new size; nothing when the size is unchanged.
  void SetSize(unsigned int width, unsigned int height);
  ID3D10DepthStencilView* GetView() const override { return m_pView; }
  Texture2D* GetTexture() const { return m_pTexture; }
  DataFormat GetFormat() const { return m_Format; }
  unsigned int GetWidth() const { return m_Width; }
  unsigned int GetHeight() const { return m_Height; }

  // The texture format and shader view format that hold a depth format.
  static void DepthFormats(DataFormat format, bool shaderReadable, DataFormat& textureFormat,
                           DataFormat& viewFormat);

 private:
  void Create();
  void CreateDSV(DataFormat format);

  DataFormat m_Format;
  unsigned int m_Width;
  unsigned int m_Height;
  unsigned int m_SampleCount;
  unsigned int m_SampleQuality;
  bool m_ShaderReadable;
  ID3D10DepthStencilView* m_pView;
  Texture2D* m_pTexture;
};

class DepthStencilBufferArray : public IDepthStencilTarget {
 public:
  DepthStencilBufferArray(GraphicsDevice* device, DataFormat format, unsigned int width, unsigned int height,
                          unsigned int arraySize, unsigned int sampleCount, unsigned int sampleQuality,
                          bool shaderReadable);
  ~DepthStencilBufferArray() override;
  DepthStencilBufferArray(const DepthStencilBufferArray&) = delete;
  DepthStencilBufferArray& operator=(const DepthStencilBufferArray&) = delete;

  // Switch the view GetView returns; takes effect at the next SetRenderTargets.
  void UseSingleView(unsigned int slice);
  void UseArrayView();
  ID3D10DepthStencilView* GetView() const override { return m_pCurrentView; }
  Texture2D* GetTexture() const { return m_pTexture; }
  unsigned int GetArraySize() const { return m_ArraySize; }

 private:
  unsigned int m_ArraySize;
  ID3D10DepthStencilView** m_pSingleViews;
  ID3D10DepthStencilView* m_pArrayView;
  Texture2D* m_pTexture;
  ID3D10DepthStencilView* m_pCurrentView;
};

class CubeDepthStencilBuffer : public IDepthStencilTarget {
 public:
  CubeDepthStencilBuffer(GraphicsDevice* device, unsigned int length, DataFormat format, unsigned int sampleCount,
                         unsigned int sampleQuality, bool shaderReadable);
  ~CubeDepthStencilBuffer() override;
  CubeDepthStencilBuffer(const CubeDepthStencilBuffer&) = delete;
  CubeDepthStencilBuffer& operator=(const CubeDepthStencilBuffer&) = delete;

  void UseSingleView(CUBEMAP_FACE face);
  void UseCubeView();
  ID3D10DepthStencilView* GetView() const override { return m_pCurrentView; }
  CubeTexture* GetTexture() const { return m_pTexture; }

 private:
  ID3D10DepthStencilView* m_pFaceViews[6];
  ID3D10DepthStencilView* m_pCubeView;
  CubeTexture* m_pTexture;
  ID3D10DepthStencilView* m_pCurrentView;
};
