cbuffer Packed
{
    float4 A : packoffset(c0);
    float2 B : packoffset(c0.z);
};
