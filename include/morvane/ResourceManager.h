// ResourceManager: the graphics device's shared store of file-based resources
// (textures and meshes by file name) and fonts.
#pragma once

#include "SharedObject.h"

class GraphicsDevice;

class ResourceManager : public Manager {
 public:
  explicit ResourceManager(GraphicsDevice* device);
  // Reports the resources still referenced.
  ~ResourceManager() override;

  GraphicsDevice* GetDevice() const { return m_pDevice; }

 private:
  GraphicsDevice* m_pDevice;
};
