// What the mesh fuzz targets share: one device, one model path in a
// directory of their own (removed at exit), and a walk over a loaded model
// that visits every frame, geometry, subset and material slot and evaluates
// every animation over its whole time range, so that any link or count the
// reader got wrong is used.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

#include <morvane/Animation.h>
#include <morvane/AnimationKey.h>
#include <morvane/DeviceMesh.h>
#include <morvane/Mesh.h>
#include <morvane/MeshFrame.h>
#include <morvane/MeshGeometry.h>
#include <morvane/MeshMaterial.h>

inline GraphicsDevice* FuzzDevice() {
  static GraphicsDevice* device = (Core::Init(), new GraphicsDevice(0, false));
  return device;
}

inline std::string& FuzzDirectory() {
  static std::string directory;
  return directory;
}

// <directory>/model.x; its cache is model.x.bin beside it.
inline const std::string& FuzzModelPath() {
  static std::string path = [] {
    char pattern[] = "/tmp/morvane-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    FuzzDirectory() = pattern;
    std::atexit([] {
      std::remove((FuzzDirectory() + "/model.x").c_str());
      std::remove((FuzzDirectory() + "/model.x.bin").c_str());
      rmdir(FuzzDirectory().c_str());
    });
    return FuzzDirectory() + "/model.x";
  }();
  return path;
}

struct ModelCounts {
  unsigned int frames = 0, geometries = 0, materials = 0, sets = 0, animations = 0, keys = 0;
  bool operator==(const ModelCounts& o) const {
    return frames == o.frames && geometries == o.geometries && materials == o.materials && sets == o.sets &&
           animations == o.animations && keys == o.keys;
  }
};

inline ModelCounts WalkModel(const Mesh& mesh) {
  ModelCounts counts;
  counts.materials = mesh.GetMaterialCount();
  std::vector<const MeshFrame*> pending(1, mesh.GetFrameRoot());
  while (!pending.empty()) {
    const MeshFrame* frame = pending.back();
    pending.pop_back();
    if (!frame) continue;
    if (++counts.frames > mesh.GetFrameCount()) std::abort();  // a cycle
    for (unsigned int g = 0; g < frame->GetGeometryCount(); ++g) {
      const MeshGeometry* geometry = frame->GetGeometry(g);
      ++counts.geometries;
      // Ray queries read the CPU copies through every subset's range.
      if (const DeviceMesh* device = geometry->GetGeometry()) {
        const Ray ray = {DXVector3(0.25f, 0.5f, -10.0f), DXVector3(0.0f, 0.0f, 1.0f)};
        for (int s = -1; s < static_cast<int>(device->GetSubsetCount()); ++s) {
          DXVector3 hit;
          int triangle;
          if (device->IntersectSubset(s, ray, hit, triangle) && triangle < 0) std::abort();
        }
      }
      for (unsigned int m = 0; m < geometry->GetMaterialCount(); ++m)
        if (const MeshMaterial* material = geometry->GetMaterial(m))
          if (material->GetMesh() != &mesh) std::abort();
    }
    pending.push_back(frame->GetNextSibling());
    pending.push_back(frame->GetFirstChild());
  }
  counts.sets = mesh.GetAnimationSetCount();
  for (unsigned int s = 0; s < counts.sets; ++s) {
    const AnimationSet* set = mesh.GetAnimationSet(s);
    for (unsigned int a = 0; a < set->GetAnimationCount(); ++a) {
      const Animation* animation = set->GetAnimation(a);
      ++counts.animations;
      counts.keys += animation->GetKeyCount();
      float end = static_cast<float>(animation->GetMaxTime());
      for (float t = -1.0f; t <= end + 1.0f; t += end / 7.0f + 0.5f) animation->GetTransformation(t);
    }
  }
  return counts;
}
