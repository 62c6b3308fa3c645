// Constant-buffer packing: vectors fill registers without crossing them;
// arrays, matrices and structs start new registers.
struct Material
{
    float3 Diffuse;
    float Power;
    float2 Scales[2];
    float After;
};

float Time;
float3 Direction;
float2 Uv;
float2 Uv2;
int3 Indices;
bool Flags[3];
uint Last;
Material Surface;
float Tail;

cbuffer Matrices : register(b2)
{
    float4x4 Projection;
    row_major float4x3 Bones[2];
    float3x3 Rotation;
    float Scale;
    float2x2 Small : packoffset(c20);
    float4 Explicit : packoffset(c22);
    float2 ExplicitTail : packoffset(c23.z);
};

float4 PS(float4 position : SV_Position) : SV_Target
{
    float4 sum = float4(Direction * Time, Uv.x + Uv2.y);
    sum += Indices.xyzx + (Flags[2] ? 1 : 0) + Last + Surface.Power + Surface.Scales[1].y + Surface.After + Tail;
    sum += mul(position, Projection) + mul(position, Bones[1]).xyzx + float4(mul(Rotation, position.xyz), Scale);
    sum += Small[1].xyxy + Explicit + ExplicitTail.xyxy;
    return sum;
}

technique10 Sum
{
    pass P0
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
