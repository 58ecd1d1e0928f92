// Clears the G-buffer: no colour, a normal facing nowhere, the far depth, no emissive share.

struct GBuffer {
    float4 colour : COLOR0;
    float4 normal : COLOR1;
    float4 depth : COLOR2;
    float4 misc : COLOR3;
};

GBuffer PS(float2 uv : TEXCOORD0)
{
    GBuffer o;
    o.colour = float4(0.0, 0.0, 0.0, 0.0);
    o.normal = float4(0.5, 0.5, 0.5, 0.0);
    o.depth = float4(1.0, 0.0, 0.0, 1.0);
    o.misc = float4(0.0, 0.0, 0.0, 0.0);
    return o;
}

technique Technique_3Rts
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
