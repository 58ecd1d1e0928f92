// Soft focus: every pixel the mean of itself and its eight neighbours. The size of a texel is
// written in pixels; the renderer turns it into texture coordinates for the target's size. The
// neighbours lie at constant multiples of it, so reads in one row or column share their
// coordinate's work, which offsets held in parameters would not let the compiler see. The size
// changes only with the target, so the pass is made for its value (Specialise): the coordinates
// then need no read of the constants per pixel.

#include "postcommon.fxh"

float2 g_TexelSize < string ConvertPixelsToTexels = "g_TexelSize"; bool Specialise = true; > = {1.0, 1.0};

static const float2 kNeighbours[8] = {
    {-1.0, -1.0}, {0.0, -1.0}, {1.0, -1.0}, {-1.0, 0.0}, {1.0, 0.0}, {-1.0, 1.0}, {0.0, 1.0}, {1.0, 1.0}
};

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = tex2D(g_SamplerSRC, uv);
    [unroll] for (int i = 0; i < 8; i++)
        sum += tex2D(g_SamplerSRC, uv + kNeighbours[i] * g_TexelSize);
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
