// Parameters of every kind the engine's effects declare.
float4x4 g_WorldViewProj : WORLDVIEWPROJECTION;
row_major float4x3 g_Bones[2];
float4 g_Color < string UIName = "Colour"; float UIMin = 0.0; float UIMax = 1.0; > = {1.0, 0.5, 0.25, 1.0};
float g_Scale = -2.5;
float g_Weights[3] = {1, 2, 3};
int g_Count = 7;
bool g_Enabled = true;
float3 g_Direction : DIRECTION = float3(0, -1, 0);
half2 g_Offset;
string g_Name = "parameters";
static float s_Hidden = 4.0;
struct Light { float3 position; float4 color; };
Light g_Light;
shared float g_Time : TIME;

texture g_Texture : DIFFUSE < string ResourceName = "stone.png"; >;
sampler2D g_Sampler = sampler_state
{
    Texture = <g_Texture>;
    MinFilter = Linear;
    MagFilter = Point;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Wrap;
};

struct VSOut { float4 position : POSITION; float2 uv : TEXCOORD0; float4 color : COLOR0; };

VSOut VS(float4 position : POSITION, float2 uv : TEXCOORD0)
{
    VSOut o;
    o.position = mul(position, g_WorldViewProj);
    o.uv = uv * g_Offset + g_Light.position.xy;
    o.color = g_Color * g_Scale * g_Weights[1] * g_Time + float4(g_Direction, g_Count) + g_Light.color;
    o.position.xyz += mul(position, g_Bones[1]);
    return o;
}

float4 PS(float2 uv : TEXCOORD0, float4 color : COLOR0, uniform float boost) : COLOR0
{
    float4 c = tex2D(g_Sampler, uv) * color * boost;
    return g_Enabled ? c : float4(0, 0, 0, 1);
}

technique Main < string Mode = "opaque"; int Order = 2; >
{
    pass P0 < float Weight = 0.5; >
    {
        ZEnable = true;
        ZWriteEnable = false;
        CullMode = None;
        AlphaBlendEnable = <g_Enabled>;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        ColorWriteEnable = Red | Green | Blue;
        AlphaRef = 0x80;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS(2.0);
    }
    pass P1
    {
        AlphaBlendEnable = false;
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS(1.0);
    }
}

technique Second
{
    pass { VertexShader = compile vs_2_0 VS(); PixelShader = NULL; }
}
