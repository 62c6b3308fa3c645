// MeshMaterial: the surface description triangles refer to through a mesh's
// material list. Colour, power and texture names are public data; whoever
// creates a material fills the colours and the power (the constructor leaves
// them unset).
#pragma once

#include "MeshEntity.h"
#include "StringEX.h"

class MeshMaterial : public MeshEntity {
 public:
  // Appends itself to the mesh's material list when it has a mesh.
  MeshMaterial(Mesh* mesh, const StringEX& name);
  MeshMaterial(const MeshMaterial&) = default;
  MeshMaterial& operator=(const MeshMaterial&) = default;

  float m_Diffuse[4];  // r, g, b, a: the face colour
  float m_Power;       // specular exponent
  float m_Specular[3];
  float m_Emissive[3];
  StringEX m_TextureFilename;   // as written in the model file, empty when none
  StringEX m_TextureFilename2;  // a second texture name: copied and cached, never filled by the loader

 protected:
  ~MeshMaterial() override = default;
};
