// Greyscale: the image turned towards its luminance by the amount in float 1 (0 leaves it, 1 is
// fully grey); alpha stays.

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 c = tex2D(g_SamplerSRC, uv);
    float grey = luminance(c.rgb);
    return float4(lerp(c.rgb, float3(grey, grey, grey), g_Float_Param1), c.a);
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
        PixelShader = compile ps_2_0 PS();
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
        PixelShader = compile ps_2_0 PS();
    }
}
