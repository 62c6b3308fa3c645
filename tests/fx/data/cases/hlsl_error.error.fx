float4 Color;

float4 PS(float4 position : SV_Position) : SV_Target
{
    float4 result = Color * undefinedValue;
    return result;
}

technique10 T
{
    pass P0
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
