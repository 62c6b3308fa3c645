// DemoScene: the demo's picture. It compiles the demo effect through the
// shader manager (fxc and the compiled-effect cache on the first run, the
// cache alone afterwards) and draws a turning hexagon with it.
#pragma once

#include <vector>

#include <morvane/Morvane.h>

class DemoScene {
 public:
  // Effects are found in dataDirectory (ending in a separator).
  DemoScene(GraphicsDevice* device, const StringEX& dataDirectory);
  ~DemoScene();
  DemoScene(const DemoScene&) = delete;
  DemoScene& operator=(const DemoScene&) = delete;

  bool IsReady() const { return m_pEffect && m_pEffect->IsCompiled() && m_pLayout && m_pTechnique; }
  // Draws into the bound target at the given time in seconds.
  void Render(float time);

 private:
  struct Vertex {
    float position[3];
    float color[4];
  };

  GraphicsDevice* m_pDevice;
  ShaderEffect* m_pEffect;
  EffectTechnique* m_pTechnique;
  BufferLayout* m_pLayout;
  VertexBuffer* m_pVertices;
  std::vector<VertexBuffer*> m_Buffers;  // the one buffer, as the device takes it
};
