// The deferred image: where the G-buffer holds a surface, its colour times the light gathered in
// the light target plus the highlight (light alpha) in white; elsewhere the forward image.

texture colorMap;
texture normalMap;
texture depthMap;
texture miscMap;
texture lightMap;
texture forwardMap;

sampler colorSampler = sampler_state
{
    Texture = <colorMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler depthSampler = sampler_state
{
    Texture = <depthMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler lightSampler = sampler_state
{
    Texture = <lightMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler forwardSampler = sampler_state
{
    Texture = <forwardMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 light = tex2D(lightSampler, uv);
    float3 lit = tex2D(colorSampler, uv).rgb * light.rgb + light.aaa;
    if (tex2D(depthSampler, uv).r > 0.99999)
        return tex2D(forwardSampler, uv);
    return float4(lit, 1.0);
}

technique Compose
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
