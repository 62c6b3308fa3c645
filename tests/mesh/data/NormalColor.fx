// Colours each pixel by the mesh's normal; the cube of the tests fills the
// middle half of the target.
struct VS_INPUT { float3 Pos : POSITION; float3 Normal : NORMAL; };
struct PS_INPUT { float4 Pos : SV_Position; float4 Color : COLOR; };

PS_INPUT VS(VS_INPUT input)
{
    PS_INPUT output;
    output.Pos = float4(input.Pos.xy * 0.5, input.Pos.z * 0.25 + 0.5, 1);
    output.Color = float4(input.Normal * 0.5 + 0.5, 1);
    return output;
}

float4 PS(PS_INPUT input) : SV_Target { return input.Color; }

RasterizerState NoCull { CullMode = NONE; };

technique10 NormalColor
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetRasterizerState(NoCull);
    }
}
