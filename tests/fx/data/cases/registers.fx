// Explicit registers keep their slots; the rest take the free ones.
cbuffer First { float4 A; };
cbuffer Second : register(b0) { float4 B; };
Texture2D T0;
Texture2D T1 : register(t0);
Texture2D Many[2];
SamplerState S0;
SamplerState S1 : register(s3);

float4 PS(float4 p : SV_Position) : SV_Target
{
    return A + B + T0.Sample(S0, p.xy) + T1.Sample(S1, p.xy) + Many[1].Sample(S0, p.xy);
}

technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, PS())); } }
