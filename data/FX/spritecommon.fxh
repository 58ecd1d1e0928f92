// The four textures of a sprite batch and the choice between them.

texture g_Textur0;
texture g_Textur1;
texture g_Textur2;
texture g_Textur3;

sampler g_Sampler0 = sampler_state
{
    Texture = <g_Textur0>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_Sampler1 = sampler_state
{
    Texture = <g_Textur1>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_Sampler2 = sampler_state
{
    Texture = <g_Textur2>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_Sampler3 = sampler_state
{
    Texture = <g_Textur3>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

// All four are read and the slot picks one without branching: a software
// rasteriser runs branches on every pixel anyway. Slots holding the same
// texture (a batch of fewer textures repeats its first one) are read once.
float4 sampleSlot(float2 uv, float slot)
{
    float4 t0 = tex2D(g_Sampler0, uv);
    float4 t1 = tex2D(g_Sampler1, uv);
    float4 t2 = tex2D(g_Sampler2, uv);
    float4 t3 = tex2D(g_Sampler3, uv);
    return slot < 1.5 ? (slot < 0.5 ? t0 : t1) : (slot < 2.5 ? t2 : t3);
}
