#pragma once
// D3DX text: fonts rasterised into glyph pages and drawn as sprites.
#include <d3d9.h>
#include <d3dx9core.h>
#include <windows.h>

extern const IID IID_ID3DXFont;

struct ID3DXFont : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // Draws (or with DT_CALCRECT only measures) the text inside pRect. Count -1: up to the
    // terminator. pSprite null: the font's own sprite; otherwise the glyphs are queued on the
    // caller's begun sprite with its transform. Returns the height of the text, 0 on failure.
    // DT_CALCRECT keeps left and top and sets right and bottom to the measured size.
    virtual INT DrawTextW(ID3DXSprite* pSprite, LPCWSTR pString, INT Count, LPRECT pRect, DWORD Format,
                          D3DCOLOR Color) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXFont *LPD3DXFONT, *PD3DXFONT;

// Height > 0: the cell height in pixels (ascent + descent); < 0: the character (em) height;
// 0: a default size. Width 0 keeps the face's proportions, otherwise it is the average
// character width. Weight 600 or more and Italic pick the bold/italic face, synthesised when the
// family has none. A face name that is not installed gets the closest installed face.
HRESULT D3DXCreateFontW(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCWSTR pFaceName,
                        ID3DXFont** ppFont);
