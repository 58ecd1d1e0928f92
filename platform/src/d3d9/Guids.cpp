// Interface identifiers of the Direct3D layer. They only need to be distinct within this
// program: QueryInterface compares them, nothing stores them.
#include <d3d9.h>

#define ULVO_DEFINE_IID(name, d1)                                                                                      \
    const IID name = {d1, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x09}}

ULVO_DEFINE_IID(IID_IDirect3D9, 0x7d390001);
ULVO_DEFINE_IID(IID_IDirect3DDevice9, 0x7d390002);
ULVO_DEFINE_IID(IID_IDirect3DResource9, 0x7d390003);
ULVO_DEFINE_IID(IID_IDirect3DBaseTexture9, 0x7d390004);
ULVO_DEFINE_IID(IID_IDirect3DTexture9, 0x7d390005);
ULVO_DEFINE_IID(IID_IDirect3DCubeTexture9, 0x7d390006);
ULVO_DEFINE_IID(IID_IDirect3DVolumeTexture9, 0x7d390007);
ULVO_DEFINE_IID(IID_IDirect3DSurface9, 0x7d390008);
ULVO_DEFINE_IID(IID_IDirect3DVolume9, 0x7d390009);
ULVO_DEFINE_IID(IID_IDirect3DVertexBuffer9, 0x7d39000a);
ULVO_DEFINE_IID(IID_IDirect3DIndexBuffer9, 0x7d39000b);
ULVO_DEFINE_IID(IID_IDirect3DVertexDeclaration9, 0x7d39000c);
ULVO_DEFINE_IID(IID_IDirect3DVertexShader9, 0x7d39000d);
ULVO_DEFINE_IID(IID_IDirect3DPixelShader9, 0x7d39000e);
ULVO_DEFINE_IID(IID_IDirect3DStateBlock9, 0x7d39000f);
