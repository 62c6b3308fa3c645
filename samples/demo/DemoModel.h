// DemoModel: the demo's animated model. It loads Column.x through the mesh
// loader (the .x text on the first run, the binary mesh cache afterwards),
// plays its first animation set and draws every subset of its geometry,
// skinned on the device by Skinned.fx.
#pragma once

#include <vector>

#include <morvane/Morvane.h>

class DemoModel {
 public:
  DemoModel(GraphicsDevice* device, const StringEX& dataDirectory);
  ~DemoModel();
  DemoModel(const DemoModel&) = delete;
  DemoModel& operator=(const DemoModel&) = delete;

  bool IsReady() const { return m_pMesh && m_pEffect && m_pEffect->IsCompiled() && m_pTechnique; }
  // Poses the model at the time (seconds) and draws it into the bound
  // target, seen through viewProjection.
  void Render(float time, const DXMatrix& viewProjection);

 private:
  struct Posed {
    MeshFrame* frame;
    DXMatrix world;
  };

  // World matrices of every frame for the current local transforms.
  void UpdateWorlds();
  const DXMatrix* FindWorld(const StringEX& frame) const;

  GraphicsDevice* m_pDevice;
  Mesh* m_pMesh;
  ShaderEffect* m_pEffect;
  EffectTechnique* m_pTechnique;
  std::vector<Posed> m_Worlds;     // reused every frame
  std::vector<Posed> m_Pending;    // the walk's stack, reused likewise
  std::vector<DXMatrix> m_Bones;
  std::vector<VertexBuffer*> m_Buffers;
};
