// The pass kinds' test effect, one permutation per technique of the passes (PASS_MODE):
// 0 flat-shaded colour as testbox.fx; 1 light-space depth for shadow maps (the light camera's
// linear clip z); 2 linear view depth between g_depth.x and g_depth.y; 3 the colour, halved where
// the shadow map holds something nearer the light; 4 water: the reflection map through the
// texture projection, tinted by the mask colour's alpha.

#ifndef PASS_MODE
#define PASS_MODE 0
#endif

float4x4 g_World;
float4x4 g_WorldView;
float4x4 g_WorldViewProj;
float3 g_LightDir = {0.0, 1.0, 0.0};
float4 g_LightDiffuse = {1.0, 1.0, 1.0, 1.0};
float4 g_LightAmbient = {0.0, 0.0, 0.0, 1.0};
float4 g_MaskColor = {1.0, 1.0, 1.0, 1.0};
float4x4 g_ViewToLightProj;
float2 g_depth = {0.0, 1.0};
float4x4 g_TexProj;
texture g_ShadowTexture;
texture g_ReflectionMap;

sampler ShadowSampler = sampler_state
{
    Texture = <g_ShadowTexture>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler ReflectionSampler = sampler_state
{
    Texture = <g_ReflectionMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct VertexOut {
    float4 position : POSITION;
    float4 colour : COLOR0;
    float4 extra : TEXCOORD0;
};

VertexOut VS(float3 position : POSITION, float3 normal : NORMAL)
{
    VertexOut o;
    o.position = mul(float4(position, 1.0), g_WorldViewProj);
    float3 n = normalize(mul(normal, (float3x3)g_World));
    float lit = max(dot(n, normalize(g_LightDir)), 0.0);
    o.colour.rgb = g_MaskColor.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit);
    o.colour.a = g_MaskColor.a;
#if PASS_MODE == 1
    o.extra = float4(o.position.z, 0.0, 0.0, 1.0);
#elif PASS_MODE == 2
    float viewZ = mul(float4(position, 1.0), g_WorldView).z;
    o.extra = float4((viewZ - g_depth.x) / (g_depth.y - g_depth.x), 0.0, 0.0, 1.0);
#elif PASS_MODE == 3
    o.extra = mul(mul(float4(position, 1.0), g_WorldView), g_ViewToLightProj);
#elif PASS_MODE == 4
    o.extra = mul(float4(position, 1.0), g_TexProj);
#else
    o.extra = float4(0.0, 0.0, 0.0, 1.0);
#endif
    return o;
}

float4 PS(float4 colour : COLOR0, float4 extra : TEXCOORD0) : COLOR
{
#if PASS_MODE == 1 || PASS_MODE == 2
    return float4(extra.x, extra.x, extra.x, 1.0);
#elif PASS_MODE == 3
    float2 uv = extra.xy / extra.w * float2(0.5, -0.5) + 0.5;
    float stored = tex2D(ShadowSampler, uv).r;
    float shade = extra.z > stored + 0.01 ? 0.5 : 1.0;
    return saturate(float4(colour.rgb * shade, colour.a));
#elif PASS_MODE == 4
    // The bias maps clip y up to texture v up; the picture's rows run down.
    float2 uv = float2(extra.x / extra.w, 1.0 - extra.y / extra.w);
    float4 reflected = tex2D(ReflectionSampler, uv);
    return float4(reflected.rgb * g_MaskColor.a, 1.0);
#else
    return saturate(colour);
#endif
}

technique Render
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}
