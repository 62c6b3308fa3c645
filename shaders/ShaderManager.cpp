#include <morvane/ShaderManager.h>

ShaderManager::ShaderManager(GraphicsDevice* const device) : m_pDevice(device) {}

ShaderManager::~ShaderManager() { PurgeAndReport(" unfreed shader resources."); }
