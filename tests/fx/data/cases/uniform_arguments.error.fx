float4 PS(uniform float4 color) : SV_Target { return color; }

technique10 T
{
    pass P0
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
