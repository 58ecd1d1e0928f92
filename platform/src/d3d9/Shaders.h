#pragma once
// Vertex and pixel shaders: GL stages made by the effect framework.
#include "d3d9/D3D9Internal.h"
#include "d3d9/ObjectBase.h"

namespace D3D9Internal {

class ShaderObject : public ObjectBase {
public:
    ShaderObject(Device* device, ShaderStageDesc desc);
    ~ShaderObject() override;
    const ShaderStageDesc& desc() const { return m_desc; }
    uint32_t id() const { return m_id; }

protected:
    void releaseGL() override;

    ShaderStageDesc m_desc;
    uint32_t m_id;
};

class VertexShader final : public IDirect3DVertexShader9, public ShaderObject {
public:
    VertexShader(Device* device, ShaderStageDesc desc) : ShaderObject(device, std::move(desc)) {}
    ULVO_D3D_UNKNOWN_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT GetFunction(void* pData, UINT* pSizeOfData) override;

private:
    bool hasInterface(REFIID riid) const;
};

class PixelShader final : public IDirect3DPixelShader9, public ShaderObject {
public:
    PixelShader(Device* device, ShaderStageDesc desc) : ShaderObject(device, std::move(desc)) {}
    ULVO_D3D_UNKNOWN_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT GetFunction(void* pData, UINT* pSizeOfData) override;

private:
    bool hasInterface(REFIID riid) const;
};

} // namespace D3D9Internal
