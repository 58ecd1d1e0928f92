// Draws a textured, tinted quad in clip space with source-alpha blending.
float4x4 g_Transform;
float4 g_Tint = {1, 1, 1, 1};
texture g_Texture;
sampler2D g_Sampler = sampler_state
{
    Texture = <g_Texture>;
    MinFilter = Point;
    MagFilter = Point;
    AddressU = Clamp;
    AddressV = Clamp;
};
bool g_Blend = true;

struct VSOut { float4 position : POSITION; float2 uv : TEXCOORD0; };

VSOut VS(float4 position : POSITION, float2 uv : TEXCOORD0)
{
    VSOut o;
    o.position = mul(position, g_Transform);
    o.uv = uv;
    return o;
}

float4 PS(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(g_Sampler, uv) * g_Tint;
}

float4 SolidPS() : COLOR0 { return g_Tint; }

technique Textured
{
    pass
    {
        AlphaBlendEnable = <g_Blend>;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        CullMode = None;
        ZEnable = false;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}

technique Solid
{
    pass
    {
        CullMode = None;
        ZEnable = false;
        ColorWriteEnable = Red | Alpha;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 SolidPS();
    }
}
