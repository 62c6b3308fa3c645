//--------------------------------------------------------------------------------------
// BasicLighting.fx: per-pixel Phong lighting with directional lights
//--------------------------------------------------------------------------------------
#include "include/Common.fxh"

cbuffer cbNeverChanges
{
    float3 g_vLightDir[MAX_LIGHTS] <string UIName = "Light direction";>;
    float4 g_vLightColor[MAX_LIGHTS];
};

cbuffer cbChangesEveryFrame
{
    matrix g_mWorld : WORLD;
    matrix g_mView : VIEW;
    matrix g_mProjection : PROJECTION;
    float3 g_vEyePos : CAMERAPOSITION;
    float g_fTime : TIME;
};

cbuffer cbMaterial
{
    float4 g_vDiffuse <string UIName = "Diffuse"; string UIWidget = "Color";> = {0.8, 0.8, 0.8, 1.0};
    float4 g_vSpecular = {1, 1, 1, 1};
    float g_fPower <string UIName = "Specular power"; float UIMin = 1; float UIMax = 128;> = 32;
    bool g_bSpecular = true;
};

RasterizerState BackCull
{
    FillMode = Solid;
    CullMode = Back;
    FrontCounterClockwise = FALSE;
};

PS_INPUT VS(VS_INPUT input)
{
    PS_INPUT output = (PS_INPUT)0;
    float4 world = mul(float4(input.Pos, 1), g_mWorld);
    output.WorldPos = world.xyz;
    output.Pos = mul(mul(world, g_mView), g_mProjection);
    output.Normal = normalize(mul(input.Normal, (float3x3)g_mWorld));
    output.Tex = input.Tex;
    return output;
}

float4 PS(PS_INPUT input, uniform int lights) : SV_Target
{
    float3 N = normalize(input.Normal);
    float3 V = normalize(g_vEyePos - input.WorldPos);
    float4 color = 0;
    [unroll] for (int i = 0; i < lights; i++)
    {
        float3 L = -normalize(g_vLightDir[i]);
        float diffuse = saturate(dot(N, L));
        color += g_vDiffuse * g_vLightColor[i] * diffuse;
        if (g_bSpecular)
        {
            float3 H = normalize(L + V);
            color += g_vSpecular * pow(saturate(dot(N, H)), g_fPower) * g_vLightColor[i];
        }
    }
    color.a = g_vDiffuse.a;
    return color;
}

technique10 Lighting <string Description = "Two directional lights";>
{
    pass P0 <string Name = "Lit";>
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS(MAX_LIGHTS)));
        SetDepthStencilState(EnableDepth, 0);
        SetBlendState(NoBlending, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
        SetRasterizerState(BackCull);
    }
}

technique10 OneLight
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS(1)));
    }
}
