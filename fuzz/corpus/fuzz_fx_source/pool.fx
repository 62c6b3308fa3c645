// An effect pool: shared buffers and objects, and one of its own.
shared cbuffer Frame
{
    float4x4 ViewProjection : VIEWPROJECTION;
    float Time : TIME;
};

shared Texture2D Environment;
shared SamplerState Linear { Filter = MIN_MAG_MIP_LINEAR; };

cbuffer Local
{
    float4 NotShared;
};
