// The emissive term added into the light target: where the misc buffer gives a surface an
// emissive share, that share of full light (the compose multiplies it by the surface colour).

texture colorMap;
texture miscMap;

sampler miscSampler = sampler_state
{
    Texture = <miscMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float e = tex2D(miscSampler, uv).r;
    return float4(e, e, e, 0.0);
}

technique EmissiveLight
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS();
    }
}
