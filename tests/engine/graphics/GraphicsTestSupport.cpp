// Device start, read-back, golden images and drawing helpers for the engine's graphics tests.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/TextureManager.h"
#include "graphics/textures/Texture2D.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <cstring>

namespace GraphicsTesting {

IDirect3DDevice9* startDevice(UINT width, UINT height)
{
    using namespace Ulvo;
    D3DInterface* d3d = D3DInterface::getInstance();
    if (d3d->isInitialized() && d3d->getDevice())
        return d3d->getDevice();
    D3DInitParams* display = &UlvoEngine::getInstance()->getEngineParams().getD3DInitParams();
    *display->getDisplayMode() = D3DDISPLAYMODE{width, height, 60, D3DFMT_X8R8G8B8};
    *display->getPresentParams() = D3DInitParams::defaultPresentParams();
    display->setMinRes(0, 0);
    display->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
    display->setAutoDegrade(false, false);
    if (!d3d->init(display))
        return nullptr;
    return d3d->getDevice();
}

Image readSurface(IDirect3DSurface9* surface)
{
    Image image;
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    D3DSURFACE_DESC desc{};
    if (!device || !surface || FAILED(surface->GetDesc(&desc)))
        return image;
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)))
        return image;
    if (SUCCEEDED(device->GetRenderTargetData(surface, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            image.width = desc.Width;
            image.height = desc.Height;
            image.pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y) {
                const auto* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
                std::memcpy(&image.pixels[static_cast<size_t>(y) * desc.Width], row, desc.Width * 4);
            }
            copy->UnlockRect();
        }
    }
    copy->Release();
    return image;
}

Image readBackBuffer()
{
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    IDirect3DSurface9* backBuffer = nullptr;
    if (!device || FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
        return Image{};
    Image image = readSurface(backBuffer);
    backBuffer->Release();
    return image;
}

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance)
{
    return TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "graphics" / "golden",
                                      name, tolerance);
}

bool fillTexture(Ulvo::Texture2D& texture, UINT width, UINT height,
                 const std::function<D3DCOLOR(UINT x, UINT y)>& texel)
{
    if (!texture.create(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED))
        return false;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture.getTexture()->LockRect(0, &locked, nullptr, 0)))
        return false;
    for (UINT y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < width; ++x)
            row[x] = texel(x, y);
    }
    texture.getTexture()->UnlockRect(0);
    return true;
}

ScopedTarget::ScopedTarget(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format) : m_device(device)
{
    device->CreateRenderTarget(width, height, format, D3DMULTISAMPLE_NONE, 0, FALSE, &m_target, nullptr);
    device->GetRenderTarget(0, &m_previous);
    if (m_target)
        device->SetRenderTarget(0, m_target);
}

ScopedTarget::~ScopedTarget()
{
    if (m_previous) {
        m_device->SetRenderTarget(0, m_previous);
        m_previous->Release();
    }
    if (m_target)
        m_target->Release();
}

void loadTextureList(const std::wstring& list, const std::wstring& probe)
{
    Ulvo::TextureManager* textures = Ulvo::D3DInterface::getInstance()->getTextureManager();
    Ulvo::Texture2D* present = nullptr;
    if (!textures || textures->findTexture2D(probe, present))
        return;
    TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
    Ulvo::XMLNode node;
    if (Ulvo::XMLNode::load(&node, list, 0))
        textures->load(&node);
}

bool loadSourceBundle(const std::filesystem::path& folder, const std::wstring& bundle, const std::wstring& fxf,
                      std::initializer_list<const char*> files)
{
    Ulvo::EffectManager* effects = Ulvo::EffectManager::getInstance();
    if (!effects->getEffectBundle(bundle)) {
        namespace fs = std::filesystem;
        const fs::path target = folder / "data" / "FX";
        fs::create_directories(target);
        for (const char* file : files)
            fs::copy_file(TestSupport::sourceDir() / "data" / "FX" / file, target / file,
                          fs::copy_options::overwrite_existing);
        TestSupport::ScopedCwd cwd(folder);
        Ulvo::XMLNode root;
        if (Ulvo::XMLNode::load(&root, fxf, 0))
            effects->load(&root);
    }
    return effects->getEffectBundle(bundle) != nullptr;
}

} // namespace GraphicsTesting
