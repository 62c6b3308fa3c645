//--------------------------------------------------------------------------------------
// Skinned.fx: a mesh skinned by up to four bones per vertex, lit by one
// directional light, in the colour of its material
//--------------------------------------------------------------------------------------
#define MAX_BONES 16

cbuffer cbFrame
{
    row_major float4x4 g_mViewProj : VIEWPROJECTION;
    row_major float4x4 g_mBones[MAX_BONES] : BONES;
    float3 g_vLightDir : LIGHTDIRECTION = {0.4, -0.8, 0.45};
};

cbuffer cbMaterial
{
    float4 g_vDiffuse : DIFFUSE = {1, 1, 1, 1};
};

struct VS_INPUT
{
    float3 Pos : POSITION;
    float3 Normal : NORMAL;
    uint4 Bones : BONEINDICES;
    float4 Weights : SKINWEIGHTS;
};
struct PS_INPUT { float4 Pos : SV_Position; float4 Color : COLOR; };

PS_INPUT VS(VS_INPUT input)
{
    float4 position = 0;
    float3 normal = 0;
    [unroll] for (int i = 0; i < 4; i++)
    {
        row_major float4x4 bone = g_mBones[input.Bones[i]];
        position += input.Weights[i] * mul(float4(input.Pos, 1), bone);
        normal += input.Weights[i] * mul(input.Normal, (float3x3)bone);
    }
    PS_INPUT output;
    output.Pos = mul(float4(position.xyz, 1), g_mViewProj);
    float light = 0.25 + 0.75 * saturate(dot(normalize(normal), -normalize(g_vLightDir)));
    output.Color = float4(g_vDiffuse.rgb * light, g_vDiffuse.a);
    return output;
}

float4 PS(PS_INPUT input) : SV_Target { return input.Color; }

DepthStencilState DepthOn { DepthEnable = TRUE; DepthFunc = LESS_EQUAL; };
RasterizerState BackCull { CullMode = BACK; };

technique10 Skinned
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetDepthStencilState(DepthOn, 0);
        SetRasterizerState(BackCull);
    }
}
