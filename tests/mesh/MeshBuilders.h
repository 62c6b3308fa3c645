// Small meshes the mesh tests share, and the index reader of device meshes.
#pragma once

#include <dxgiformat.h>

#include <cstring>
#include <vector>

#include <morvane/DeviceMesh.h>
#include <morvane/MeshContainer.h>

inline PerVertexAttribute<DXVector3>* AddPositions(MeshContainer& mesh, const std::vector<DXVector3>& points) {
  PerVertexAttribute<DXVector3>* positions = new PerVertexAttribute<DXVector3>(&mesh);
  positions->m_Semantic = "POSITION";
  positions->m_SemanticIndex = 0;
  positions->m_Format = DXGI_FORMAT_R32G32B32_FLOAT;
  for (unsigned int i = 0; i < points.size() && i < mesh.GetVertexCount(); ++i) (*positions)[i] = points[i];
  mesh.AddAttribute("POSITION", positions);
  return positions;
}

inline IndexAttribute* AddIndices(MeshContainer& mesh, const std::vector<TriangleIndices<unsigned int>>& triangles) {
  IndexAttribute* indices = new IndexAttribute(&mesh);
  for (unsigned int t = 0; t < triangles.size() && t < mesh.GetTriangleCount(); ++t) (*indices)[t] = triangles[t];
  mesh.SetIndices(indices);
  return indices;
}

// The cube [-1, 1]^3: vertex i has x, y, z = -1 or 1 from bits 0, 1, 2; six
// faces of two triangles whose e1 x e2 points out of the cube.
inline MeshContainer* MakeCube() {
  MeshContainer* cube = new MeshContainer(8, 12);
  std::vector<DXVector3> points;
  for (int i = 0; i < 8; ++i)
    points.push_back(DXVector3(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f));
  AddPositions(*cube, points);
  // Quads with e1 x e2 pointing outwards: -z, +z, -x, +x, -y, +y.
  const unsigned int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}};
  std::vector<TriangleIndices<unsigned int>> triangles;
  for (const auto& q : quads) {
    triangles.push_back({{q[0], q[1], q[2]}});
    triangles.push_back({{q[0], q[2], q[3]}});
  }
  AddIndices(*cube, triangles);
  return cube;
}

// A material list over mesh with count materials and the given number per triangle.
inline MaterialAttribute* AddMaterials(MeshContainer& mesh, unsigned int count,
                                       const std::vector<unsigned short>& numbers) {
  MaterialAttribute* materials = new MaterialAttribute(&mesh, count);
  for (unsigned int t = 0; t < numbers.size() && t < mesh.GetTriangleCount(); ++t) materials->GetIndices()[t] = numbers[t];
  mesh.AddAttribute("MATERIALS", materials);
  return materials;
}

// A strip of quads in the z = 0 plane: (columns + 1) x 2 vertices, 2 x columns triangles.
inline MeshContainer* MakeStrip(unsigned int columns) {
  MeshContainer* strip = new MeshContainer(2 * (columns + 1), 2 * columns);
  std::vector<DXVector3> points;
  for (unsigned int i = 0; i <= columns; ++i) {
    points.push_back(DXVector3(static_cast<float>(i), 0.0f, 0.0f));
    points.push_back(DXVector3(static_cast<float>(i), 1.0f, 0.0f));
  }
  AddPositions(*strip, points);
  std::vector<TriangleIndices<unsigned int>> triangles;
  for (unsigned int i = 0; i < columns; ++i) {
    triangles.push_back({{2 * i, 2 * i + 1, 2 * i + 2}});
    triangles.push_back({{2 * i + 1, 2 * i + 3, 2 * i + 2}});
  }
  AddIndices(*strip, triangles);
  return strip;
}

// The index data of a device mesh, 16- or 32-bit, as values.
inline std::vector<unsigned int> Indices(const DeviceMesh& mesh) {
  std::vector<unsigned int> indices;
  unsigned int size = mesh.HasIndices32() ? 4 : 2;
  for (unsigned int i = 0; i < mesh.GetIndexDataSize() / size; ++i) {
    unsigned int value = 0;
    std::memcpy(&value, mesh.GetIndexData() + i * size, size);
    indices.push_back(value);
  }
  return indices;
}
