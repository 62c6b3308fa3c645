// ID3D10InputLayout: the vertex elements matched to a vertex shader's input
// signature, kept as GL vertex attribute formats. Attribute locations are the
// signature's registers; buffer slots are GL vertex buffer binding indices.
#pragma once

#include <d3d10.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "d3d10/d3d10_device.h"

class D3D10InputLayout final : public D3D10DeviceChild<ID3D10InputLayout> {
 public:
  // Validates the elements against the signature (a signature blob or a
  // vertex shader blob) before anything is made.
  static HRESULT Create(D3D10Device* device, const D3D10_INPUT_ELEMENT_DESC* elements, UINT count,
                        const void* signature, SIZE_T signatureSize, ID3D10InputLayout** layout);

  // Sets the layout's formats, bindings and divisors on a vertex array whose
  // enabled attributes are `enabled`; returns the attributes now enabled.
  uint32_t ApplyTo(GLuint vertexArray, uint32_t enabled) const;

  struct Attribute {
    GLuint location;
    GLuint slot;
    GLuint offset;
    GLint components;
    GLenum type;
    GLboolean normalized;
    bool integer;
  };

 private:
  explicit D3D10InputLayout(D3D10Device* device) : D3D10DeviceChild(device) {}
  ~D3D10InputLayout() override;

  std::vector<Attribute> m_attributes;
  uint32_t m_attributeMask = 0;
  uint32_t m_slotMask = 0;
  GLuint m_divisors[D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
};
