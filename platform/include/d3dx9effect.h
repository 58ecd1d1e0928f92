#pragma once
// D3DX 9 effects: effect files (.fx) with parameters, techniques and passes, compiled to the
// device's programs; effect pools share `shared` parameters by name.
#include <d3dx9math.h>
#include <d3dx9shader.h>

#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)
#define D3DXFX_NOT_CLONEABLE (1 << 11)
#define D3DXFX_LARGEADDRESSAWARE (1 << 17)

#define D3DX_PARAMETER_SHARED (1 << 0)
#define D3DX_PARAMETER_LITERAL (1 << 1)
#define D3DX_PARAMETER_ANNOTATION (1 << 2)

typedef enum _D3DXPARAMETER_CLASS {
    D3DXPC_SCALAR,
    D3DXPC_VECTOR,
    D3DXPC_MATRIX_ROWS,
    D3DXPC_MATRIX_COLUMNS,
    D3DXPC_OBJECT,
    D3DXPC_STRUCT,
    D3DXPC_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_CLASS;

typedef enum _D3DXPARAMETER_TYPE {
    D3DXPT_VOID,
    D3DXPT_BOOL,
    D3DXPT_INT,
    D3DXPT_FLOAT,
    D3DXPT_STRING,
    D3DXPT_TEXTURE,
    D3DXPT_TEXTURE1D,
    D3DXPT_TEXTURE2D,
    D3DXPT_TEXTURE3D,
    D3DXPT_TEXTURECUBE,
    D3DXPT_SAMPLER,
    D3DXPT_SAMPLER1D,
    D3DXPT_SAMPLER2D,
    D3DXPT_SAMPLER3D,
    D3DXPT_SAMPLERCUBE,
    D3DXPT_PIXELSHADER,
    D3DXPT_VERTEXSHADER,
    D3DXPT_PIXELFRAGMENT,
    D3DXPT_VERTEXFRAGMENT,
    D3DXPT_UNSUPPORTED,
    D3DXPT_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_TYPE;

typedef struct _D3DXEFFECT_DESC {
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
} D3DXEFFECT_DESC;

typedef struct _D3DXPARAMETER_DESC {
    LPCSTR Name;
    LPCSTR Semantic;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;
} D3DXPARAMETER_DESC;

typedef struct _D3DXTECHNIQUE_DESC {
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
} D3DXTECHNIQUE_DESC;

typedef struct _D3DXPASS_DESC {
    LPCSTR Name;
    UINT Annotations;
    const DWORD* pVertexShaderFunction;
    const DWORD* pPixelShaderFunction;
} D3DXPASS_DESC;

extern const IID IID_ID3DXEffectPool;
extern const IID IID_ID3DXBaseEffect;
extern const IID IID_ID3DXEffect;
extern const IID IID_ID3DXEffectCompiler;

// Effects created with the same pool share the values of their `shared` parameters by name.
struct ID3DXEffectPool : public IUnknown {};
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;

// Every method taking a D3DXHANDLE also accepts the object's name as the handle. Strings and
// descriptions handed out stay valid while the effect lives.
struct ID3DXBaseEffect : public IUnknown {
    virtual HRESULT GetDesc(D3DXEFFECT_DESC* pDesc) = 0;
    virtual HRESULT GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) = 0;
    virtual HRESULT GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) = 0;
    virtual HRESULT GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) = 0;

    // hParameter NULL: top-level parameters; otherwise the members of a struct.
    virtual D3DXHANDLE GetParameter(D3DXHANDLE hParameter, UINT Index) = 0;
    // Names may be dotted ("light.color") and indexed ("lights[2]").
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) = 0;
    virtual D3DXHANDLE GetParameterBySemantic(D3DXHANDLE hParameter, LPCSTR pSemantic) = 0;
    virtual D3DXHANDLE GetParameterElement(D3DXHANDLE hParameter, UINT ElementIndex) = 0;
    virtual D3DXHANDLE GetTechnique(UINT Index) = 0;
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR pName) = 0;
    virtual D3DXHANDLE GetPass(D3DXHANDLE hTechnique, UINT Index) = 0;
    virtual D3DXHANDLE GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName) = 0;
    // hObject: a parameter, technique or pass.
    virtual D3DXHANDLE GetAnnotation(D3DXHANDLE hObject, UINT Index) = 0;
    virtual D3DXHANDLE GetAnnotationByName(D3DXHANDLE hObject, LPCSTR pName) = 0;

    virtual HRESULT SetValue(D3DXHANDLE hParameter, LPCVOID pData, UINT Bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE hParameter, LPVOID pData, UINT Bytes) = 0;
    virtual HRESULT SetBool(D3DXHANDLE hParameter, BOOL b) = 0;
    virtual HRESULT GetBool(D3DXHANDLE hParameter, BOOL* pb) = 0;
    virtual HRESULT SetBoolArray(D3DXHANDLE hParameter, const BOOL* pb, UINT Count) = 0;
    virtual HRESULT GetBoolArray(D3DXHANDLE hParameter, BOOL* pb, UINT Count) = 0;
    virtual HRESULT SetInt(D3DXHANDLE hParameter, INT n) = 0;
    virtual HRESULT GetInt(D3DXHANDLE hParameter, INT* pn) = 0;
    virtual HRESULT SetIntArray(D3DXHANDLE hParameter, const INT* pn, UINT Count) = 0;
    virtual HRESULT GetIntArray(D3DXHANDLE hParameter, INT* pn, UINT Count) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) = 0;
    virtual HRESULT GetFloat(D3DXHANDLE hParameter, FLOAT* pf) = 0;
    virtual HRESULT SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) = 0;
    virtual HRESULT GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) = 0;
    virtual HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) = 0;
    virtual HRESULT GetVector(D3DXHANDLE hParameter, D3DXVECTOR4* pVector) = 0;
    virtual HRESULT SetVectorArray(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector, UINT Count) = 0;
    virtual HRESULT GetVectorArray(D3DXHANDLE hParameter, D3DXVECTOR4* pVector, UINT Count) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT SetMatrixArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT GetMatrixArray(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT SetMatrixTranspose(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT GetMatrixTranspose(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) = 0;
    virtual HRESULT SetMatrixTransposeArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT GetMatrixTransposeArray(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix, UINT Count) = 0;
    virtual HRESULT SetString(D3DXHANDLE hParameter, LPCSTR pString) = 0;
    virtual HRESULT GetString(D3DXHANDLE hParameter, LPCSTR* ppString) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE hParameter, LPDIRECT3DBASETEXTURE9 pTexture) = 0;
    // The texture is AddRef'ed for the caller.
    virtual HRESULT GetTexture(D3DXHANDLE hParameter, LPDIRECT3DBASETEXTURE9* ppTexture) = 0;
};

struct ID3DXEffect : public ID3DXBaseEffect {
    virtual HRESULT GetPool(LPD3DXEFFECTPOOL* ppPool) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE hTechnique) = 0;
    virtual D3DXHANDLE GetCurrentTechnique() = 0;
    virtual HRESULT ValidateTechnique(D3DXHANDLE hTechnique) = 0;
    // hTechnique NULL starts at the first technique; *pTechnique NULL when none is left.
    virtual HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) = 0;
    virtual BOOL IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique) = 0;

    // Flags D3DXFX_DONOTSAVE*: which of the states the passes set are not restored by End.
    virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
    virtual HRESULT BeginPass(UINT Pass) = 0;
    // Parameter values changed inside a pass reach the device.
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;

    virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* ppDevice) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXEffect* LPD3DXEFFECT;

struct ID3DXEffectCompiler : public ID3DXBaseEffect {
    // The compiled effect as D3DXCreateEffect accepts it (also what a .fxo file holds).
    virtual HRESULT CompileEffect(DWORD Flags, LPD3DXBUFFER* ppEffect, LPD3DXBUFFER* ppErrorMsgs) = 0;
};
typedef ID3DXEffectCompiler* LPD3DXEFFECTCOMPILER;

// pSrcData: effect source text, or a compiled effect from ID3DXEffectCompiler::CompileEffect.
// Messages (errors and warnings) are "file(line,column): error X0000: text" lines.
HRESULT D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines,
                         LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                         LPD3DXBUFFER* ppCompilationErrors);
HRESULT D3DXCreateEffectCompiler(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                 DWORD Flags, LPD3DXEFFECTCOMPILER* ppCompiler, LPD3DXBUFFER* ppParseErrors);
HRESULT D3DXCreateEffectPool(LPD3DXEFFECTPOOL* ppPool);
