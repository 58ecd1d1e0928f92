// God rays: the picture's bright parts smeared towards the sun's place on the screen (vector 1),
// over a length of float 4 of the way, each step weaker by the exponential strength (float 3);
// added with the strength (float 1) plus the linear strength (float 2) in the colour of vector 5,
// and faded out as the view turns away from the sun (float 5, the angle in degrees).

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 c = tex2D(g_SamplerSRC, uv);
    float2 step = (uv - g_Vec4_Param1.xy) * g_Float_Param4 / 8.0;
    float2 at = uv;
    float decay = 1.0;
    float sum = 0.0;
    for (int i = 0; i < 8; i++) {
        at -= step;
        sum += luminance(tex2D(g_SamplerSRCLinear, at).rgb) * decay;
        decay *= g_Float_Param3;
    }
    float fade = saturate(1.0 - g_Float_Param5 / 90.0);
    float rays = sum / 8.0 * (g_Float_Param1 + g_Float_Param2) * fade;
    return float4(c.rgb + rays * g_Vec4_Param5.rgb, c.a);
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
