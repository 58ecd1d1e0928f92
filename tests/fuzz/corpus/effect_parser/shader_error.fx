// A shader error on line 7.
float4 g_Color;

float4 PS(float2 uv : TEXCOORD0) : COLOR0
{
    float4 c = g_Color;
    return c * undeclaredThing;
}

technique T { pass { PixelShader = compile ps_2_0 PS(); } }
