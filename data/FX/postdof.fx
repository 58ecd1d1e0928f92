// Depth of field: the sharp picture blended with a blurred one by how far a pixel's depth (the
// red channel of the extra pass, the linear depth over the camera's range) lies from the focus
// (float 1, over the same range), scaled by the range over the focal length (vector 1 y) and
// limited by the largest blur (vector 1 x).

#include "postcommon.fxh"

float2 g_DofOffsets[4] < string ConvertPixelsToTexels = "g_DofOffsets"; > = {
    {-1.5, -1.5}, {1.5, -1.5}, {-1.5, 1.5}, {1.5, 1.5}
};

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sharp = tex2D(g_SamplerSRC, uv);
    float4 soft = 0.0;
    for (int i = 0; i < 4; i++)
        soft += tex2D(g_SamplerSRCLinear, uv + g_DofOffsets[i]);
    soft *= 0.25;
    float depth = tex2D(g_SamplerEXTRA, uv).r;
    float blur = saturate(abs(depth - g_Float_Param1) * g_Vec4_Param1.y) * g_Vec4_Param1.x;
    return lerp(sharp, soft, saturate(blur));
}

technique RenderPost
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS();
    }
}

technique RenderPost_Deferred
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS();
    }
}
