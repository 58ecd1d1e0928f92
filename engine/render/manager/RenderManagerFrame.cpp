// One frame of the render manager: z-buffer pass, forward renderer, deferred renderer and post
// effects, each followed by the HDR hook for that stage; the last stage's image copied onto the
// caller's render target; the overlay passes over it.
#include "render/manager/RenderManager.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "graphics/effects/EffectManager.h"
#include "render/ScopedMeasure.h"
#include "render/ScopedPerfEvent.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/HDRStage.h"
#include "render/manager/PostEffectStage.h"
#include "render/passes/RenderPass.h"

namespace Ulvo {

bool RenderManager::forwardDrawsOnCallerTarget(IDirect3DSurface9* callerTarget) const
{
    // Only while nothing after the forward renderer reads its image: the copy onto the caller's
    // target would then be all that happens to it, and drawing there gives the same pixels.
    if (!m_forward.isEnabled() || (m_hdr && m_hdr->getMode() != 0) || (m_deferred && m_deferred->isEnabled()) ||
        (m_postEffects && m_postEffects->isEnabled() && m_postEffects->countDraws() != 0))
        return false;
    const RenderTargetHandle& own = m_forward.getTarget();
    IDirect3DSurface9* ownSurface = own ? own->getSurface() : nullptr;
    D3DSURFACE_DESC ownDesc{}, callerDesc{};
    if (!ownSurface || FAILED(ownSurface->GetDesc(&ownDesc)) || FAILED(callerTarget->GetDesc(&callerDesc)) ||
        ownDesc.Width != callerDesc.Width || ownDesc.Height != callerDesc.Height ||
        callerDesc.MultiSampleType != D3DMULTISAMPLE_NONE)
        return false;
    if (ownDesc.Format == callerDesc.Format)
        return true;
    // A window's X8R8G8B8 picture keeps only the colours of the A8R8G8B8 image copied onto it:
    // drawn there directly they come out the same, unless a blend reads the target's alpha
    // (taken as 1 without alpha).
    return ownDesc.Format == D3DFMT_A8R8G8B8 && callerDesc.Format == D3DFMT_X8R8G8B8 &&
           !EffectManager::getInstance()->anyMayBlendWithTargetAlpha();
}

void RenderManager::render(Camera* camera)
{
    ScopedPerfEvent frame(L"RenderManager::render");
    ScopedMeasure all(L"RenderManager");
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!device)
        return;
    if (!camera) {
        // Every pass and renderer sees the frame through the camera: none, no frame.
        static bool reported = false;
        if (!reported) {
            reported = true;
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::RenderManager::render: a frame without a camera is not drawn\n");
        }
        return;
    }
    ++m_frameCounter;
    m_lastFrameForwardOnly = false;
    {
        ScopedMeasure step(L"RenderManager.ZBuffer");
        if (m_zBufferPass && m_zBufferPass->shouldRender(m_frameCounter))
            m_zBufferPass->render(camera);
    }

    IDirect3DSurface9* callerTarget = nullptr;
    if (FAILED(device->GetRenderTarget(0, &callerTarget)) || !callerTarget)
        return;
    m_frameTexture = nullptr;
    m_frameSurface = callerTarget;
    const bool direct = forwardDrawsOnCallerTarget(callerTarget);
    bool overlaid = false;

    {
        ScopedMeasure step(L"RenderManager.ForwardRenderer");
        if (m_forward.isEnabled()) {
            if (direct) {
                m_forward.render(camera, callerTarget);
            } else if (m_hdr) {
                m_hdr->beginFrame(m_forward);
                m_forward.render(camera);
                m_hdr->postForward(m_forward);
                m_hdr->getLastResult(m_frameTexture, m_frameSurface);
            } else {
                m_forward.render(camera);
                if (!m_forward.getResult(m_frameTexture, m_frameSurface)) {
                    m_frameTexture = nullptr;
                    m_frameSurface = nullptr;
                }
            }
        }
    }
    {
        ScopedMeasure step(L"RenderManager.DeferredRenderer");
        if (m_deferred && m_deferred->isEnabled()) {
            ScopedPerfEvent event(L"render Deferred");
            m_deferred->setForwardTexture(m_frameTexture);
            m_deferred->render(*camera);
            if (m_hdr) {
                m_hdr->postDeferred(*m_deferred);
                m_hdr->getLastResult(m_frameTexture, m_frameSurface);
            } else if (!m_deferred->getResult(m_frameTexture, m_frameSurface)) {
                m_frameTexture = nullptr;
                m_frameSurface = nullptr;
            }
        }
    }
    {
        ScopedMeasure step(L"RenderManager.PostEffects");
        if (direct && m_postEffects && m_postEffects->isEnabled()) {
            m_postEffects->frameWithoutChain();
            m_postEffects->renderExtraPasses(*camera);
        } else if (m_postEffects && m_postEffects->isEnabled()) {
            m_postEffects->frameWithChain();
            m_postEffects->setLastResult(m_frameSurface, m_frameTexture);
            // Nothing reads the chain's image but the copy onto the caller's target, unless the
            // HDR chain tone-maps it first.
            const bool hdrAfter = m_hdr && (m_hdr->getMode() & HDRStage::HDR_POSTEFFECTS) != 0;
            m_postEffects->setFinalTarget(hdrAfter ? nullptr : callerTarget);
            m_postEffects->renderExtraPasses(*camera);
            m_postEffects->renderPasses(*camera);
            if (m_hdr) {
                m_hdr->postPostEffects(*m_postEffects);
                m_hdr->getLastResult(m_frameTexture, m_frameSurface);
            } else if (!m_postEffects->getResult(m_frameTexture, m_frameSurface)) {
                m_frameTexture = nullptr;
                m_frameSurface = nullptr;
            }
        }
    }

    device->SetRenderTarget(0, callerTarget);
    if (m_frameSurface && m_frameSurface != callerTarget)
        device->StretchRect(m_frameSurface, nullptr, callerTarget, nullptr, D3DTEXF_NONE);
    callerTarget->Release();

    device->BeginScene();
    {
        ScopedMeasure step(L"RenderManager.Overlay");
        ScopedPerfEvent event(L"render Overlay Passes");
        bool cleared = false;
        for (RenderPass* pass : m_overlays) {
            if (!pass->shouldRender(m_frameCounter))
                continue;
            // Overlays draw over the finished picture, never hidden by the scene's depth (cleared
            // only when one draws: nothing else reads it).
            if (!cleared)
                device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF808080, 1.0f, 0);
            cleared = true;
            overlaid = true;
            ScopedPerfEvent passEvent(pass->getName().c_str());
            pass->render(camera);
        }
    }
    device->EndScene();
    m_lastFrameForwardOnly = direct && m_forward.isEnabled() && !overlaid;
}

} // namespace Ulvo
