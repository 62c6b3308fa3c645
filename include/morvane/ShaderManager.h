// ShaderManager: the graphics device's registry of effects, shared by file
// name and defines.
#pragma once

#include "SharedObject.h"

class GraphicsDevice;

class ShaderManager : public Manager {
 public:
  explicit ShaderManager(GraphicsDevice* const device);
  // Reports the effects still referenced.
  ~ShaderManager() override;

  GraphicsDevice* GetDevice() const { return m_pDevice; }

 private:
  GraphicsDevice* m_pDevice;
};
