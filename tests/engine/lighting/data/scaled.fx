// A post effect of two passes that each shrink the picture to half its width and height: the
// current picture copied, its alpha the pass's marker (g_Alphas x, then y).

texture g_Textur_SRC;
float2 g_Alphas = {0.25, 0.75};

sampler g_SamplerSRC = sampler_state
{
    Texture = <g_Textur_SRC>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

float4 First(float2 uv : TEXCOORD0) : COLOR
{
    return float4(tex2D(g_SamplerSRC, uv).rgb, g_Alphas.x);
}

float4 Second(float2 uv : TEXCOORD0) : COLOR
{
    return float4(tex2D(g_SamplerSRC, uv).rgb, g_Alphas.y);
}

technique RenderPost
{
    pass P0 < float fScaleX = 0.5; float fScaleY = 0.5; >
    {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 First();
    }
    pass P1 < float fScaleX = 0.5; float fScaleY = 0.5; >
    {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 Second();
    }
}
