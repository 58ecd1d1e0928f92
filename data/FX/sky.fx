// The sky objects' effect, by g_Type: 0 the sky (the shared sky map seen from the dome's centre,
// with the sun's glow towards the light, as sharp as g_SunStrength); 1 a cloud layer (the cloud
// map's density in alpha, turned by g_cloudrotation about the upright axis, scaled and offset by
// g_clouddensityoffset, in the cloud colour); 2 the background map.
#include "scenecommon.fxh"

float g_SunStrength = 100.0;
int g_Type = 0;
float g_cloudrotation = 0.0;
float2 g_clouddensityoffset = {1.0, 0.0};
float4 g_CloudColor = {1.0, 1.0, 1.0, 1.0};
textureCUBE g_Clouds;
textureCUBE g_Background;

samplerCUBE CloudSampler = sampler_state
{
    Texture = <g_Clouds>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
};

samplerCUBE BackgroundSampler = sampler_state
{
    Texture = <g_Background>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
};

struct VertexOut {
    float4 position : POSITION;
    float3 direction : TEXCOORD0;
};

VertexOut VS(MeshIn v)
{
    VertexOut o;
    o.position = mul(float4(v.position, 1.0), g_WorldViewProjection);
    // Just before the far plane: drawn after the scene, the depth test keeps the sky behind it
    // and skips the pixels it covers; drawn first, it shows as before.
    o.position.z = o.position.w * 0.999999;
    o.direction = v.position;
    return o;
}

float4 PS(VertexOut i) : COLOR
{
    float3 d = normalize(i.direction);
    if (g_Type == 1) {
        float c = cos(g_cloudrotation), s = sin(g_cloudrotation);
        float3 turned = float3(c * d.x - s * d.z, d.y, s * d.x + c * d.z);
        float density = texCUBE(CloudSampler, turned).a;
        float alpha = saturate(density * g_clouddensityoffset.x + g_clouddensityoffset.y);
        return float4(g_CloudColor.rgb * g_MaskColor.rgb, alpha * g_CloudColor.a * g_materialcolor.a);
    }
    if (g_Type == 2)
        return float4(texCUBE(BackgroundSampler, d).rgb * g_MaskColor.rgb, g_materialcolor.a);
    float3 sky = texCUBE(CubeSampler, d).rgb;
    float glow = pow(max(dot(d, normalize(g_LightDir)), 0.0), max(g_SunStrength, 1.0));
    return float4(saturate((sky + g_LightDiffuse.rgb * glow) * g_MaskColor.rgb), g_materialcolor.a);
}

technique Render
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
    }
}
