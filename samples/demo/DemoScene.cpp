#include "DemoScene.h"

#include <cmath>
#include <vector>

namespace {

// The index of a compiled-effect cache ("" when there is none). Opening the
// container touches the file, so its time says nothing; the index changes
// exactly when the cache is rebuilt or a compiled object is added.
StringEX CacheIndex(const StringEX& path) {
  StringEX bytes;
  Archive* archive = Archive::Open(path);
  if (!archive) return bytes;
  if (ArchiveFile* index = archive->OpenFile("i", AM_READ)) {
    bytes.resize(index->GetSize());
    if (!bytes.empty()) index->Read(&bytes[0], static_cast<uint32_t>(bytes.size()));
    archive->CloseFile(index);
  }
  delete archive;
  return bytes;
}

}  // namespace

DemoScene::DemoScene(GraphicsDevice* device, const StringEX& dataDirectory)
    : m_pDevice(device), m_pEffect(nullptr), m_pTechnique(nullptr), m_pLayout(nullptr), m_pVertices(nullptr) {
  ILogger* log = Core::Log();
  const StringEX file = dataDirectory + "Demo.fx";
  const StringEX before = CacheIndex(file + ".bin");
  m_pEffect = device->GetShaderManager()->CreateShaderEffect(file, nullptr);
  if (!before.empty() && before == CacheIndex(file + ".bin"))
    log->WriteLine("Demo.fx loaded from the compiled-effect cache " + file + ".bin", 4);
  else
    log->WriteLine("Demo.fx compiled by fxc, compiled-effect cache written to " + file + ".bin", 4);
  if (!m_pEffect->IsCompiled()) {
    log->Error("Demo.fx did not compile: " + m_pEffect->GetErrors());
    return;
  }
  m_pTechnique = m_pEffect->GetTechnique("Render");

  const BUFFER_ELEMENT_DESC elements[2] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 12, D3D10_INPUT_PER_VERTEX_DATA, 0}};
  m_pLayout = device->GetLayoutManager()->CreateBufferLayout(elements, 2);

  // Six triangles around the centre, each corner with its own hue.
  std::vector<Vertex> vertices;
  const float pi = 3.14159265f;
  for (int i = 0; i < 6; ++i) {
    float a0 = i * pi / 3.0f;
    float a1 = (i + 1) * pi / 3.0f;
    float hue[3] = {0.5f + 0.5f * std::cos(a0), 0.5f + 0.5f * std::cos(a0 - 2.0944f),
                    0.5f + 0.5f * std::cos(a0 + 2.0944f)};
    vertices.push_back(Vertex{{0, 0, 0.5f}, {1, 1, 1, 1}});
    vertices.push_back(Vertex{{std::cos(a0), std::sin(a0), 0.5f}, {hue[0], hue[1], hue[2], 1}});
    vertices.push_back(Vertex{{std::cos(a1), std::sin(a1), 0.5f}, {hue[1], hue[2], hue[0], 1}});
  }
  m_pVertices = new VertexBuffer(device, static_cast<unsigned int>(vertices.size()), sizeof(Vertex), false,
                                 vertices.data());
  m_Buffers.push_back(m_pVertices);
}

DemoScene::~DemoScene() {
  delete m_pVertices;
  if (m_pLayout) m_pLayout->Release(true);
  if (m_pEffect) m_pEffect->Release();
}

void DemoScene::Render(float time) {
  if (!IsReady()) return;
  if (EffectVariable* timeVariable = m_pEffect->GetVariableBySemantic("TIME")) timeVariable->SetValue(time);
  m_pDevice->SetVertexBuffers(m_Buffers);
  m_pDevice->SetInputLayout(m_pLayout, m_pTechnique->Signatures[0]);
  m_pDevice->SetPrimitiveType(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  m_pTechnique->Technique->GetPassByIndex(0)->Apply(0);
  m_pDevice->Draw(m_pVertices->GetVertexCount(), 0);
}
