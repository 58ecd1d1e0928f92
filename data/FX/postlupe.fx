// Magnifier: inside a circle of radius float 1 (in texture heights) around the position in
// vector 1 (x, y from 0 to 1 across the picture), the picture is enlarged by vector 2 x about that
// position, blended in by vector 2 y. An enlargement of 1 leaves the picture as it is.

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float2 centre = g_Vec4_Param1.xy;
    float zoom = max(g_Vec4_Param2.x, 0.0001);
    float2 offset = uv - centre;
    // The in-game picture is 4:3: measured in its height, the lens is round on the screen.
    float inside = length(offset * float2(4.0 / 3.0, 1.0)) <= g_Float_Param1 ? 1.0 : 0.0;
    float2 at = lerp(uv, centre + offset / zoom, inside * saturate(g_Vec4_Param2.y));
    return tex2D(g_SamplerSRCLinear, at);
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
