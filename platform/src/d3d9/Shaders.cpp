// Shader objects made from the effect framework's GL stages.
#include "d3d9/Shaders.h"

#include "d3d9/Device.h"

namespace D3D9Internal {

ShaderObject::ShaderObject(Device* device, ShaderStageDesc desc)
    : ObjectBase(device, D3DPOOL_MANAGED), m_desc(std::move(desc)), m_id(device->nextObjectId())
{
}

ShaderObject::~ShaderObject()
{
    releaseGL();
}

void ShaderObject::releaseGL()
{
    if (!m_device)
        return;
    m_device->forgetShader(m_id);
    if (m_desc.ownsGLObjects) {
        m_device->makeCurrent();
        if (m_desc.program)
            GLFn::glDeleteProgram(m_desc.program);
        if (m_desc.shader)
            GLFn::glDeleteShader(m_desc.shader);
    }
    m_desc.program = 0;
    m_desc.shader = 0;
}

bool VertexShader::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DVertexShader9;
}

HRESULT VertexShader::GetFunction(void*, UINT* pSizeOfData)
{
    if (!pSizeOfData)
        return D3DERR_INVALIDCALL;
    *pSizeOfData = 0;
    return D3D_OK;
}

bool PixelShader::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DPixelShader9;
}

HRESULT PixelShader::GetFunction(void*, UINT* pSizeOfData)
{
    if (!pSizeOfData)
        return D3DERR_INVALIDCALL;
    *pSizeOfData = 0;
    return D3D_OK;
}

} // namespace D3D9Internal
