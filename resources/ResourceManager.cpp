#include <morvane/ResourceManager.h>

ResourceManager::ResourceManager(GraphicsDevice* device) : m_pDevice(device) {}

ResourceManager::~ResourceManager() { PurgeAndReport(" unfreed resources."); }
