//--------------------------------------------------------------------------------------
// SharedPool.fx: the variables every effect of a scene shares
//--------------------------------------------------------------------------------------
shared cbuffer cbShared
{
    float4x4 g_mViewProj : VIEWPROJECTION;
    float4 g_vSceneColor : SCENECOLOR = {0.25, 0.5, 0.75, 1};
    float g_fTime : TIME;
};

shared Texture2D g_txEnvironment;

shared SamplerState samShared
{
    Filter = MIN_MAG_MIP_POINT;
    AddressU = Wrap;
    AddressV = Wrap;
};
