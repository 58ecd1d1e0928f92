// Soft focus: every pixel the mean of itself and its eight neighbours. The neighbours' offsets
// are written in pixels; the renderer turns them into texture coordinates for the target's size.

#include "postcommon.fxh"

float2 g_BlurOffsets[8] < string ConvertPixelsToTexels = "g_BlurOffsets"; > = {
    {-1.0, -1.0}, {0.0, -1.0}, {1.0, -1.0}, {-1.0, 0.0}, {1.0, 0.0}, {-1.0, 1.0}, {0.0, 1.0}, {1.0, 1.0}
};

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = tex2D(g_SamplerSRC, uv);
    for (int i = 0; i < 8; i++)
        sum += tex2D(g_SamplerSRC, uv + g_BlurOffsets[i]);
    return sum / 9.0;
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
