// The engine's names for the D3DX math types.
#pragma once

#include <d3dx10math.h>

typedef D3DXVECTOR3 DXVector3;
