// Flat-shaded boxes for the render tests: each face takes the object's mask colour lit by the
// sun (ambient plus diffuse times the cosine between the face normal and the light direction),
// with the object's alpha.

float4x4 g_World;
float4x4 g_WorldViewProj;
float3 g_LightDir = {0.0, 1.0, 0.0};
float4 g_LightDiffuse = {1.0, 1.0, 1.0, 1.0};
float4 g_LightAmbient = {0.0, 0.0, 0.0, 1.0};
float4 g_MaskColor = {1.0, 1.0, 1.0, 1.0};

struct VertexOut {
    float4 position : POSITION;
    float4 colour : COLOR0;
};

VertexOut VS(float3 position : POSITION, float3 normal : NORMAL)
{
    VertexOut o;
    o.position = mul(float4(position, 1.0), g_WorldViewProj);
    float3 n = normalize(mul(normal, (float3x3)g_World));
    float lit = max(dot(n, normalize(g_LightDir)), 0.0);
    o.colour.rgb = g_MaskColor.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit);
    o.colour.a = g_MaskColor.a;
    return o;
}

float4 PS(float4 colour : COLOR0) : COLOR
{
    return saturate(colour);
}

technique Render
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = CCW;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}
