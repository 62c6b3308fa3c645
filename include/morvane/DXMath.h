// The engine's names for the D3DX math types.
#pragma once

#include <d3dx10math.h>

typedef D3DXVECTOR2 DXVector2;
typedef D3DXVECTOR3 DXVector3;
typedef D3DXVECTOR4 DXVector4;
typedef D3DXMATRIX DXMatrix;
typedef D3DXPLANE DXPlane;
