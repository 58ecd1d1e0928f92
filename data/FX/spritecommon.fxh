// The four textures of a sprite batch and the choice between them.

// The sprite sets the filter for each batch: POINT (1) when every quad of the
// batch lays texel centres on pixel centres, where it gives the same colours
// as LINEAR (2) for less work.
int g_SpriteFilter = 2;

texture g_Textur0;
texture g_Textur1;
texture g_Textur2;
texture g_Textur3;

sampler g_Sampler0 = sampler_state
{
    Texture = <g_Textur0>;
    MinFilter = <g_SpriteFilter>;
    MagFilter = <g_SpriteFilter>;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_Sampler1 = sampler_state
{
    Texture = <g_Textur1>;
    MinFilter = <g_SpriteFilter>;
    MagFilter = <g_SpriteFilter>;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_Sampler2 = sampler_state
{
    Texture = <g_Textur2>;
    MinFilter = <g_SpriteFilter>;
    MagFilter = <g_SpriteFilter>;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler g_Sampler3 = sampler_state
{
    Texture = <g_Textur3>;
    MinFilter = <g_SpriteFilter>;
    MagFilter = <g_SpriteFilter>;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

// The batch's textures are read and the slot picks one without branching: a
// software rasteriser runs branches on every pixel anyway. The sprite picks
// the technique by the number of textures the batch holds, so a batch of one
// or two reads only those; three take the shader of four. Slots holding the
// same texture are read once.
float4 sampleSlot(float2 uv, float slot, uniform int textures)
{
    float4 t0 = tex2D(g_Sampler0, uv);
    if (textures == 1)
        return t0;
    float4 t1 = tex2D(g_Sampler1, uv);
    if (textures == 2)
        return slot < 0.5 ? t0 : t1;
    float4 t2 = tex2D(g_Sampler2, uv);
    float4 t3 = tex2D(g_Sampler3, uv);
    return slot < 1.5 ? (slot < 0.5 ? t0 : t1) : (slot < 2.5 ? t2 : t3);
}

float4 sampleSlot(float2 uv, float slot)
{
    return sampleSlot(uv, slot, 4);
}
