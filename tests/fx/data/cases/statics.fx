// Static variables are the shaders' alone: their initializers may call
// intrinsics, and constant ones size arrays of the effect.
static const int Count = 3;
static const float3 Up = normalize(float3(0, 2, 0));
static float Scale = 2.0, Bias = sqrt(4.0);
const float Gamma = 2.2;

float Values[Count] = {1, 2, 3};

float4 PS() : SV_Target
{
    return float4(Up * Values[Count - 1] * Scale + Bias, Gamma);
}

technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, PS())); } }
