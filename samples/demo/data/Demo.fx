//--------------------------------------------------------------------------------------
// Demo.fx: a turning, shaded hexagon behind the scene, tinted by the host
//--------------------------------------------------------------------------------------
cbuffer cbFrame
{
    float g_fTime : TIME;
    float4 g_vTint : TINT = {1, 1, 1, 1};
};

struct VS_INPUT { float3 Pos : POSITION; float4 Color : COLOR; };
struct PS_INPUT { float4 Pos : SV_Position; float4 Color : COLOR; };

PS_INPUT VS(VS_INPUT input)
{
    PS_INPUT output;
    float s = sin(g_fTime), c = cos(g_fTime);
    float2 turned = float2(input.Pos.x * c - input.Pos.y * s, input.Pos.x * s + input.Pos.y * c);
    output.Pos = float4(turned * 0.8, input.Pos.z, 1);
    output.Color = input.Color * g_vTint;
    return output;
}

float4 PS(PS_INPUT input) : SV_Target
{
    return input.Color;
}

RasterizerState NoCull { CullMode = NONE; };
// A backdrop: whatever is drawn after it lies in front.
DepthStencilState Backdrop { DepthEnable = FALSE; DepthWriteMask = ZERO; };

technique10 Render
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetRasterizerState(NoCull);
        SetDepthStencilState(Backdrop, 0);
    }
}
