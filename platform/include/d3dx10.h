// D3DX10: the helper library over Direct3D 10.
#pragma once

#include "d3dx10math.h"
#include "d3dx10effect.h"
#include "d3dx10tex.h"
