// What the scene objects' effects share: the matrices and light values every object kind sets,
// the material values, and the vertex layout of the meshes (position, normal, one texture
// coordinate).

float4x4 g_World;
float4x4 g_WorldView;
float4x4 g_WorldViewProjection;
float4x4 g_WorldTransposeInv;
float4x4 g_View;
float4x4 g_ViewInv;
float3 g_LightDir = {0.0, 1.0, 0.0};
float4 g_LightDiffuse = {1.0, 1.0, 1.0, 1.0};
float4 g_LightAmbient = {0.3, 0.3, 0.3, 1.0};
float4 g_MaskColor = {1.0, 1.0, 1.0, 1.0};
float4 g_fardist = {0.0, 0.0, 100000.0, 100000.0};
float3 g_CameraPosWorld = {0.0, 0.0, 0.0};
float4 g_materialcolor = {1.0, 1.0, 1.0, 1.0};
bool g_useDiffTextur = false;
float g_SpecExpon = 55.0;
// Specular and mirror shares are fixed per material: the pass is made for their values, and a
// material without them neither raises the highlight to its power nor samples the cube map.
float g_Ks < bool Specialise = true; > = 0.0;
float g_Emissive = 0.0;
float g_Shadow = 0.0;
float g_Kr < bool Specialise = true; > = 0.0;

texture g_Textur;
textureCUBE g_CubeMap;

sampler DiffuseSampler = sampler_state
{
    Texture = <g_Textur>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

samplerCUBE CubeSampler = sampler_state
{
    Texture = <g_CubeMap>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
};

struct MeshIn {
    float3 position : POSITION;
    float3 normal : NORMAL;
    float2 uv : TEXCOORD0;
};

// The base colour: the material's diffuse texture or its colour, with the object's alpha.
float4 baseColour(float2 uv)
{
    if (g_useDiffTextur) {
        float4 texel = tex2D(DiffuseSampler, uv);
        return float4(texel.rgb, texel.a * g_materialcolor.a);
    }
    return g_materialcolor;
}

// Whether the object has a far-distance band at all. Without one the fade is exactly 1 at every
// distance (the band starts at the largest float), and the pass is made without working it out
// per pixel: bools make passes of their own.
bool g_FarFade = true;

// Fades the far-distance band out between the far pair.
float farFade(float distance)
{
    if (!g_FarFade)
        return 1.0;
    return 1.0 - saturate((distance - g_fardist.z) / max(g_fardist.w - g_fardist.z, 0.0001));
}

// The deferred G-buffer as the light passes read it: colour (rgb albedo, a specular amount),
// normal (rgb the world normal as 0..1, a the specular power / 255), depth (r z / w), misc (r the
// emissive share). The objects without specular or emissive terms write none.
struct GBufferOut {
    float4 colour : COLOR0;
    float4 normal : COLOR1;
    float4 depth : COLOR2;
    float4 misc : COLOR3;
};

GBufferOut gbuffer(float3 albedo, float3 normal, float2 zw)
{
    GBufferOut o;
    o.colour = float4(saturate(albedo), 0.0);
    o.normal = float4(normalize(normal) * 0.5 + 0.5, 0.0);
    o.depth = float4(zw.x / zw.y, 0.0, 0.0, 1.0);
    o.misc = float4(0.0, 0.0, 0.0, 0.0);
    return o;
}
