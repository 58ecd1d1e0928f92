#pragma once
// An effect that passes everything on to a real one, except that Begin fails while a chosen
// technique is set: the way to make one step of a multi-pass renderer fail on purpose.
#include <d3dx9effect.h>

#include <cstring>
#include <string>

namespace HDRTesting {

#define ULVO_FORWARD(ret, name, params, args)                                                                          \
    ret name params override                                                                                           \
    {                                                                                                                  \
        return m_inner->name args;                                                                                     \
    }

class FailingBeginEffect : public ID3DXEffect {
public:
    FailingBeginEffect(ID3DXEffect* inner, std::string failing) : m_inner(inner), m_failing(std::move(failing)) {}

    HRESULT SetTechnique(D3DXHANDLE technique) override
    {
        m_current = technique ? technique : "";
        return m_inner->SetTechnique(technique);
    }
    HRESULT Begin(UINT* passes, DWORD flags) override
    {
        if (m_current == m_failing)
            return D3DERR_INVALIDCALL;
        return m_inner->Begin(passes, flags);
    }

    ULVO_FORWARD(HRESULT, QueryInterface, (REFIID riid, void** object), (riid, object))
    ULVO_FORWARD(ULONG, AddRef, (), ())
    ULVO_FORWARD(ULONG, Release, (), ())
    ULVO_FORWARD(HRESULT, GetDesc, (D3DXEFFECT_DESC * d), (d))
    ULVO_FORWARD(HRESULT, GetParameterDesc, (D3DXHANDLE h, D3DXPARAMETER_DESC* d), (h, d))
    ULVO_FORWARD(HRESULT, GetTechniqueDesc, (D3DXHANDLE h, D3DXTECHNIQUE_DESC* d), (h, d))
    ULVO_FORWARD(HRESULT, GetPassDesc, (D3DXHANDLE h, D3DXPASS_DESC* d), (h, d))
    ULVO_FORWARD(D3DXHANDLE, GetParameter, (D3DXHANDLE h, UINT i), (h, i))
    ULVO_FORWARD(D3DXHANDLE, GetParameterByName, (D3DXHANDLE h, LPCSTR n), (h, n))
    ULVO_FORWARD(D3DXHANDLE, GetParameterBySemantic, (D3DXHANDLE h, LPCSTR n), (h, n))
    ULVO_FORWARD(D3DXHANDLE, GetParameterElement, (D3DXHANDLE h, UINT i), (h, i))
    ULVO_FORWARD(D3DXHANDLE, GetTechnique, (UINT i), (i))
    ULVO_FORWARD(D3DXHANDLE, GetTechniqueByName, (LPCSTR n), (n))
    ULVO_FORWARD(D3DXHANDLE, GetPass, (D3DXHANDLE h, UINT i), (h, i))
    ULVO_FORWARD(D3DXHANDLE, GetPassByName, (D3DXHANDLE h, LPCSTR n), (h, n))
    ULVO_FORWARD(D3DXHANDLE, GetAnnotation, (D3DXHANDLE h, UINT i), (h, i))
    ULVO_FORWARD(D3DXHANDLE, GetAnnotationByName, (D3DXHANDLE h, LPCSTR n), (h, n))
    ULVO_FORWARD(HRESULT, SetValue, (D3DXHANDLE h, LPCVOID p, UINT n), (h, p, n))
    ULVO_FORWARD(HRESULT, GetValue, (D3DXHANDLE h, LPVOID p, UINT n), (h, p, n))
    ULVO_FORWARD(HRESULT, SetBool, (D3DXHANDLE h, BOOL b), (h, b))
    ULVO_FORWARD(HRESULT, GetBool, (D3DXHANDLE h, BOOL* b), (h, b))
    ULVO_FORWARD(HRESULT, SetBoolArray, (D3DXHANDLE h, const BOOL* b, UINT n), (h, b, n))
    ULVO_FORWARD(HRESULT, GetBoolArray, (D3DXHANDLE h, BOOL* b, UINT n), (h, b, n))
    ULVO_FORWARD(HRESULT, SetInt, (D3DXHANDLE h, INT v), (h, v))
    ULVO_FORWARD(HRESULT, GetInt, (D3DXHANDLE h, INT* v), (h, v))
    ULVO_FORWARD(HRESULT, SetIntArray, (D3DXHANDLE h, const INT* v, UINT n), (h, v, n))
    ULVO_FORWARD(HRESULT, GetIntArray, (D3DXHANDLE h, INT* v, UINT n), (h, v, n))
    ULVO_FORWARD(HRESULT, SetFloat, (D3DXHANDLE h, FLOAT v), (h, v))
    ULVO_FORWARD(HRESULT, GetFloat, (D3DXHANDLE h, FLOAT* v), (h, v))
    ULVO_FORWARD(HRESULT, SetFloatArray, (D3DXHANDLE h, const FLOAT* v, UINT n), (h, v, n))
    ULVO_FORWARD(HRESULT, GetFloatArray, (D3DXHANDLE h, FLOAT* v, UINT n), (h, v, n))
    ULVO_FORWARD(HRESULT, SetVector, (D3DXHANDLE h, const D3DXVECTOR4* v), (h, v))
    ULVO_FORWARD(HRESULT, GetVector, (D3DXHANDLE h, D3DXVECTOR4* v), (h, v))
    ULVO_FORWARD(HRESULT, SetVectorArray, (D3DXHANDLE h, const D3DXVECTOR4* v, UINT n), (h, v, n))
    ULVO_FORWARD(HRESULT, GetVectorArray, (D3DXHANDLE h, D3DXVECTOR4* v, UINT n), (h, v, n))
    ULVO_FORWARD(HRESULT, SetMatrix, (D3DXHANDLE h, const D3DXMATRIX* m), (h, m))
    ULVO_FORWARD(HRESULT, GetMatrix, (D3DXHANDLE h, D3DXMATRIX* m), (h, m))
    ULVO_FORWARD(HRESULT, SetMatrixArray, (D3DXHANDLE h, const D3DXMATRIX* m, UINT n), (h, m, n))
    ULVO_FORWARD(HRESULT, GetMatrixArray, (D3DXHANDLE h, D3DXMATRIX* m, UINT n), (h, m, n))
    ULVO_FORWARD(HRESULT, SetMatrixTranspose, (D3DXHANDLE h, const D3DXMATRIX* m), (h, m))
    ULVO_FORWARD(HRESULT, GetMatrixTranspose, (D3DXHANDLE h, D3DXMATRIX* m), (h, m))
    ULVO_FORWARD(HRESULT, SetMatrixTransposeArray, (D3DXHANDLE h, const D3DXMATRIX* m, UINT n), (h, m, n))
    ULVO_FORWARD(HRESULT, GetMatrixTransposeArray, (D3DXHANDLE h, D3DXMATRIX* m, UINT n), (h, m, n))
    ULVO_FORWARD(HRESULT, SetString, (D3DXHANDLE h, LPCSTR s), (h, s))
    ULVO_FORWARD(HRESULT, GetString, (D3DXHANDLE h, LPCSTR* s), (h, s))
    ULVO_FORWARD(HRESULT, SetTexture, (D3DXHANDLE h, LPDIRECT3DBASETEXTURE9 t), (h, t))
    ULVO_FORWARD(HRESULT, GetTexture, (D3DXHANDLE h, LPDIRECT3DBASETEXTURE9* t), (h, t))
    ULVO_FORWARD(HRESULT, GetPool, (LPD3DXEFFECTPOOL * p), (p))
    ULVO_FORWARD(D3DXHANDLE, GetCurrentTechnique, (), ())
    ULVO_FORWARD(HRESULT, ValidateTechnique, (D3DXHANDLE h), (h))
    ULVO_FORWARD(HRESULT, FindNextValidTechnique, (D3DXHANDLE h, D3DXHANDLE* n), (h, n))
    ULVO_FORWARD(BOOL, IsParameterUsed, (D3DXHANDLE h, D3DXHANDLE t), (h, t))
    ULVO_FORWARD(HRESULT, BeginPass, (UINT p), (p))
    ULVO_FORWARD(HRESULT, CommitChanges, (), ())
    ULVO_FORWARD(HRESULT, EndPass, (), ())
    ULVO_FORWARD(HRESULT, End, (), ())
    ULVO_FORWARD(HRESULT, GetDevice, (LPDIRECT3DDEVICE9 * d), (d))
    ULVO_FORWARD(HRESULT, OnLostDevice, (), ())
    ULVO_FORWARD(HRESULT, OnResetDevice, (), ())

private:
    ID3DXEffect* m_inner;
    std::string m_failing;
    std::string m_current;
};

#undef ULVO_FORWARD

} // namespace HDRTesting
