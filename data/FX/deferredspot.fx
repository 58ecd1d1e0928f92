// A spot light over the G-buffer, drawn as the sphere of its radius and added into the light
// target: the point light's fade times the cone, full inside and nothing outside the cone's
// angle (lightTheta its cosine, FALLOFF_THETA the exponent towards the edge). With shadows the
// planar map holds the projected depth seen from the light (matLightViewProj). The technique
// "Pointlight" lights like a point light, without the cone.
#include "deferredcommon.fxh"

float4x4 matLightViewProj;
texture shadowMapPlanar;

sampler planarSampler = sampler_state
{
    Texture = <shadowMapPlanar>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

// Compared as distances along the spot's axis (near 0.1, far the radius), with a bias that grows
// with them.
bool inPlanarShadow(float4 seen, float2 offset)
{
    float2 uv = seen.xy / seen.w * float2(0.5, -0.5) + 0.5 + offset;
    float projected = tex2D(planarSampler, uv).r;
    float n = 0.1;
    float f = lightRadius;
    float stored = n * f / max(f - projected * (f - n), 0.00001);
    return seen.w > stored + 0.03 + 0.02 * seen.w;
}

float4 PS(VolumeOut i, uniform int shadows, uniform bool cone) : COLOR
{
    Surface s = surfaceAt(screenUV(i.screen));
    float3 toLight = lightPosition - s.position;
    float d = length(toLight);
    float3 l = toLight / max(d, 0.0001);
    float fade = pow(saturate(1.0 - d / lightRadius), lightFalloffRadius) * step(s.depth, 0.99999);
    if (cone) {
        float c = dot(-l, normalize(lightDirection));
        fade *= pow(saturate((c - lightTheta) / max(1.0 - lightTheta, 0.0001)), lightFalloffTheta) *
                step(lightTheta, c);
    }
    float share = 1.0;
    float4 seen = mul(float4(s.position, 1.0), matLightViewProj);
    if (shadows == 1) {
        share = shadowShare(inPlanarShadow(seen, float2(0.0, 0.0)));
    } else if (shadows == 2) {
        float t = 1.0 / g_ShadowMapSize;
        share = 0.25 * (shadowShare(inPlanarShadow(seen, float2(t, 0.0))) +
                        shadowShare(inPlanarShadow(seen, float2(-t, 0.0))) +
                        shadowShare(inPlanarShadow(seen, float2(0.0, t))) +
                        shadowShare(inPlanarShadow(seen, float2(0.0, -t))));
    }
    float4 lit = shade(s, l) * share;
    return float4(lit.rgb + lightAmbientColor.rgb, lit.a) * (fade * lightIntensity);
}

technique Spotlight
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(0, true);
    }
}

technique Spotlight_Shadows
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(1, true);
    }
}

technique Spotlight_SoftShadows
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(2, true);
    }
}

technique Pointlight
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(0, false);
    }
}
