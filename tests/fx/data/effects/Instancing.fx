//--------------------------------------------------------------------------------------
// Instancing.fx: one mesh drawn many times, each instance placed and
// coloured by per-instance vertex data
//--------------------------------------------------------------------------------------
cbuffer cbScene
{
    float4x4 g_mViewProj;
};

struct VS_INSTANCE_INPUT
{
    float3 Pos : POSITION;
    float3 InstancePos : INSTANCEPOS;
    float4 InstanceColor : INSTANCECOLOR;
    uint Instance : SV_InstanceID;
};

struct PS_INPUT
{
    float4 Pos : SV_POSITION;
    nointerpolation float4 Color : COLOR0;
};

PS_INPUT VSInstanced(VS_INSTANCE_INPUT input)
{
    PS_INPUT output;
    output.Pos = mul(float4(input.Pos + input.InstancePos, 1), g_mViewProj);
    output.Color = input.InstanceColor;
    output.Color.a = input.Instance;
    return output;
}

float4 PSInstanced(PS_INPUT input) : SV_Target
{
    return float4(input.Color.rgb, 1);
}

technique10 RenderInstanced
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VSInstanced()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PSInstanced()));
    }
}
