// Techniques and passes written by macros from an included file.
#include "common.fxh"
#define COLOR(r, g, b) float4(r, g, b, 1)

float4 VS(float3 pos : POSITION) : SV_Position { return float4(pos, 1); }
float4 PS(uniform float4 color) : SV_Target { return color; }

technique10 Generated
{
    PASS(Red, PS(COLOR(1, 0, 0)))
    PASS(Green, PS(COLOR(0, 1, 0)))
}
