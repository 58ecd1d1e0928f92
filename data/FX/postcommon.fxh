// What every post effect gets from its renderer: the current image (SRC), the image as the chain
// began or as the last effect with MAKE_ORIGINAL left it (ORG), the target of its extra pass
// (EXTRA), five vector, float and matrix parameters, the time and the camera's depth range
// (near, far, far / near). The quad comes pre-transformed; the pixel shader does the work.

texture g_Textur_SRC;
texture g_Textur_ORG;
texture g_Textur_EXTRA;

float4 g_Vec4_Param1;
float4 g_Vec4_Param2;
float4 g_Vec4_Param3;
float4 g_Vec4_Param4;
float4 g_Vec4_Param5;
float g_Float_Param1;
float g_Float_Param2;
float g_Float_Param3;
float g_Float_Param4;
float g_Float_Param5;
float4x4 g_Matrix_Param1;
float4x4 g_Matrix_Param2;
float4x4 g_Matrix_Param3;
float4x4 g_Matrix_Param4;
float4x4 g_Matrix_Param5;
float g_time;
float3 g_ZminMaxQuo;

// Texel-exact reads of the current and the original image.
sampler g_SamplerSRC = sampler_state
{
    Texture = <g_Textur_SRC>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_SamplerSRCLinear = sampler_state
{
    Texture = <g_Textur_SRC>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_SamplerORG = sampler_state
{
    Texture = <g_Textur_ORG>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_SamplerEXTRA = sampler_state
{
    Texture = <g_Textur_EXTRA>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

float luminance(float3 colour)
{
    return dot(colour, float3(0.299, 0.587, 0.114));
}
