// A child of pool.fx, compiled as one (fxc /Gch).
shared cbuffer Frame
{
    float4x4 ViewProjection : VIEWPROJECTION;
    float Time : TIME;
};

shared Texture2D Environment;
shared SamplerState Linear;

float4 Tint = {1, 1, 1, 1};

float4 PS(float4 position : SV_Position) : SV_Target
{
    return Environment.Sample(Linear, position.xy * Time) * Tint;
}

technique10 Render
{
    pass P0
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
