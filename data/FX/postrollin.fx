// Roll-in: the picture shows from the top down to the fraction in float 1 (1 shows all of it);
// below that it is the colour of vector 1.

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 c = tex2D(g_SamplerSRC, uv);
    return uv.y <= g_Float_Param1 ? c : g_Vec4_Param1;
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
