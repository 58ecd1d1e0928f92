// What the deferred light effects share: the camera and G-buffer inputs the renderer sets once
// per frame, the light's values it sets per light, and reading the G-buffer back into a world
// position, a normal and the surface's material.
//
// The G-buffer: colour (rgb albedo, a specular amount), normal (rgb the world normal as 0..1,
// a the specular power / 255), depth (r the projected depth z / w, 1 where nothing was drawn),
// misc (r the emissive share).

float4x4 World;
float4x4 View;
float4x4 Projection;
float4x4 InvertViewProjection;
float3 cameraPosition;
float2 halfPixel;

float lightIntensity = 1.0;
float4 lightColor = {1.0, 1.0, 1.0, 1.0};
float4 lightAmbientColor = {0.0, 0.0, 0.0, 0.0};
float3 lightPosition;
float3 lightDirection = {0.0, -1.0, 0.0};
float lightRadius = 1.0;
float lightFalloffRadius = 1.0;
float lightTheta = 0.7;
float lightFalloffTheta = 1.0;
float3 shadowDenisty = {1.0, 0.0, 0.0};
float2 lightSpecularMulti = {1.0, 1.0};
int g_ShadowMapSize = 512;

texture colorMap;
texture normalMap;
texture depthMap;
texture miscMap;

sampler colorSampler = sampler_state
{
    Texture = <colorMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler normalSampler = sampler_state
{
    Texture = <normalMap>;
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

sampler miscSampler = sampler_state
{
    Texture = <miscMap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct Surface {
    float3 position;
    float3 normal;
    float specular;
    float power;
    float depth;
};

// The surface under a texture coordinate of the G-buffer.
Surface surfaceAt(float2 uv)
{
    Surface s;
    s.depth = tex2D(depthSampler, uv).r;
    float4 n = tex2D(normalSampler, uv);
    s.normal = normalize(n.xyz * 2.0 - 1.0);
    s.power = max(n.a * 255.0, 1.0);
    s.specular = tex2D(colorSampler, uv).a;
    float4 p = mul(float4(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0, s.depth, 1.0), InvertViewProjection);
    s.position = p.xyz / p.w;
    return s;
}

// Diffuse light in rgb, the specular highlight in a, for a surface lit from direction l (towards
// the light) by a light of that colour and those specular multipliers.
float4 shadeWith(Surface s, float3 l, float3 colour, float2 specularMulti)
{
    float diffuse = max(dot(s.normal, l), 0.0);
    float3 toEye = normalize(cameraPosition - s.position);
    float3 halfway = normalize(l + toEye);
    float highlight = s.specular * pow(max(dot(s.normal, halfway), 0.0), s.power) * step(0.0001, diffuse);
    return float4(colour * diffuse * specularMulti.x, highlight * specularMulti.y);
}

// The same with the light's values set per light.
float4 shade(Surface s, float3 l)
{
    return shadeWith(s, l, lightColor.rgb, lightSpecularMulti);
}

// What a shadowed point keeps of the light.
float shadowShare(bool inShadow)
{
    return inShadow ? 1.0 - shadowDenisty.x : 1.0;
}

// The light volume: the sphere mesh scaled and placed by World; the pixel shader reads the
// G-buffer where the volume covers the screen.
struct VolumeOut {
    float4 position : POSITION;
    float4 screen : TEXCOORD0;
};

VolumeOut VolumeVS(float3 position : POSITION)
{
    VolumeOut o;
    o.position = mul(mul(mul(float4(position, 1.0), World), View), Projection);
    o.screen = o.position;
    return o;
}

float2 screenUV(float4 screen)
{
    return screen.xy / screen.w * float2(0.5, -0.5) + 0.5 + halfPixel;
}
