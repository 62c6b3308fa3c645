float4 PS() : SV_Target { return Shared; }
#include "common.fxh"
technique10 T { PASS(PS()) }
