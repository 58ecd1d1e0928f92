#include "render/passes/RenderPassCubeMap.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "render/ScopedPerfEvent.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/RenderObjekt.h"
#include "render/scenegraph/SceneGraph.h"

#include <sstream>

namespace Ulvo {

namespace {

// Where each face camera looks from the centre, in face order +X, -X, +Y, -Y, +Z, -Z; the up and
// down faces lean a little so their view never runs parallel to the up vector.
const D3DXVECTOR3 kFaceDirections[6] = {{1.0f, 0.0f, 0.0f},      {-1.0f, 0.0f, 0.0f}, {0.0f, 1000.0f, 0.01f},
                                        {0.0f, -1000.0f, 0.01f}, {0.0f, 0.0f, 1.0f},  {0.0f, 0.0f, -1.0f}};

} // namespace

RenderPassCubeMap::RenderPassCubeMap(XMLNode* node, RenderManager* renderManager) : RenderPass(node, renderManager)
{
    m_cubeName = getName() + L".Cube";
    if (node) {
        std::wstring word;
        if (node->readString(L"CUBE_MAP", word) && !word.empty()) {
            m_cubeName = word;
            TextureManager* textures = m_d3d->getTextureManager();
            if (TextureCube* known = textures ? textures->getTextureCube(word) : nullptr) {
                if (known->getSize() > 0) {
                    m_cubeSize = known->getSize();
                    m_cubeFormat = known->getFormat();
                }
            }
        }
        if (XMLNode* passes = node->getNode(L"RENDERPASSES")) {
            for (const XMLProperty* value : passes->getProperties())
                m_renderPassNames.push_back(value->getValue());
        }
        if (node->readString(L"OBJEKT", m_objectName))
            m_mode = MODE_OBJEKT;
        if (node->readString(L"POSITION", m_objectName))
            m_mode = MODE_POSITION;
        if (node->readString(L"USE_POSITION", word))
            m_mode = word == L"CAMERA" ? MODE_CAMERA : word == L"OBJEKT" ? MODE_OBJEKT : MODE_POSITION;
        float value = 0.0f;
        if (node->readFloat(L"Z_MAX", value))
            m_far = value;
        if (node->readFloat(L"Z_MIN", value))
            m_near = value;
        if (XMLNode* clear = node->getNode(L"CLEAR_PARAMS")) {
            uint32_t colour = m_clearColour;
            if (clear->readHex(L"CLEAR_COLOR", colour))
                m_clearColour = colour;
            clear->readInt(L"CLEAR_STENCIL", m_clearStencil);
            clear->readFloat(L"CLEAR_ZBUFFER", m_clearDepth);
            std::wstring words;
            if (clear->readString(L"CLEAR", words)) {
                std::wistringstream in(words);
                for (std::wstring flag; in >> flag;) {
                    if (flag == L"ZBUFFER")
                        m_clearFlags |= D3DCLEAR_ZBUFFER;
                    else if (flag == L"COLOR")
                        m_clearFlags |= D3DCLEAR_TARGET;
                    else if (flag == L"STENCIL")
                        m_clearFlags |= D3DCLEAR_STENCIL;
                }
            }
        }
    }
    for (auto& face : m_faces) {
        face = std::make_unique<LookAtCamera>(L"CubeMapCamera");
        face->setFovAspect(90.0, -1.0);
        face->setAspect(1.0f);
        face->setNearFar(m_near, m_far);
    }
}

RenderPassCubeMap::~RenderPassCubeMap()
{
    if (m_activations > 0) {
        for (RenderPass* pass : m_found)
            pass->release();
    }
    dropFoundPasses();
    m_cube.reset();
    m_depth.reset();
}

void RenderPassCubeMap::dropFoundPasses()
{
    for (RenderPass* pass : m_found)
        pass->Release();
    m_found.clear();
}

void RenderPassCubeMap::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    createRenderToTexture();
    if (m_activations > 0) {
        for (RenderPass* pass : m_found)
            pass->release();
    }
    dropFoundPasses();
    if (!m_renderManager)
        return;
    for (const std::wstring& name : m_renderPassNames) {
        RenderPass* pass = m_renderManager->getRenderPass(name);
        if (!pass || pass == this)
            continue;
        pass->AddRef();
        m_found.push_back(pass);
        if (m_activations > 0)
            pass->addRef();
    }
}

void RenderPassCubeMap::setParams(const RenderPassParams& params)
{
    RenderPass::setParams(params);
    for (RenderPass* pass : m_found)
        pass->setParams(params);
}

void RenderPassCubeMap::onActivate(const bool& active)
{
    for (RenderPass* pass : m_found) {
        if (active)
            pass->addRef();
        else
            pass->release();
    }
    if (active) {
        createRenderToTexture();
    } else {
        m_created = false;
        m_cube.reset();
        m_depth.reset();
    }
}

void RenderPassCubeMap::createRenderToTexture()
{
    if (m_created || m_activations == 0)
        return;
    RenderTargetPool* pool = PassTargets::poolOf(m_renderManager);
    if (pool)
        m_cube =
            pool->acquire(RenderTargetKey{m_cubeName, m_cubeSize, m_cubeSize, m_cubeFormat, RenderTargetKind::Cube});
    m_depth = PassTargets::depth(m_renderManager, m_cubeSize, m_cubeSize);
    const bool later = !PassTargets::deviceCanMake();
    m_created = m_cube && m_depth && (later || PassTargets::made(m_cube, m_depth));
    if (!m_created) {
        PassTargets::logFailed(L"Ulvo::RenderPassCubeMap::createRenderToTexture", 3012,
                               L"D3DXCreateRenderToSurface(d3d,texSize,texSize, m_cubemap->getFormat() "
                               L",true,D3DFMT_D24X8,&m_render2surface)");
        m_cube.reset();
        m_depth.reset();
    }
}

void RenderPassCubeMap::setCubeMap(const std::wstring& name, UINT size, D3DFORMAT format)
{
    if (name == m_cubeName && size == m_cubeSize && format == m_cubeFormat)
        return;
    m_cubeName = name;
    m_cubeSize = size;
    m_cubeFormat = format;
    m_created = false;
    m_cube.reset();
    m_depth.reset();
    createRenderToTexture();
}

void RenderPassCubeMap::setZRange(const double& zNear, const double& zFar)
{
    m_near = zNear;
    m_far = zFar;
    for (auto& face : m_faces)
        face->setNearFar(zNear, zFar);
}

void RenderPassCubeMap::setPosition(const D3DXVECTOR3& position, const bool& usePosition)
{
    m_position = position;
    m_positionSet = true;
    if (usePosition)
        m_mode = MODE_POSITION;
}

void RenderPassCubeMap::render(Camera* camera)
{
    if (m_activations == 0 || !m_sceneGraph || !m_created || !camera || !PassTargets::made(m_cube, m_depth))
        return;
    ScopedPerfEvent event(L"RenderPassCubeMap::render");
    switch (m_mode) {
    case MODE_CAMERA:
        renderFaces(camera->getEyePosition());
        break;
    case MODE_POSITION:
        if (!m_positionSet) {
            // Nothing said where the cube stands: the origin, said once.
            m_positionSet = true;
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L" Ulvo::RenderPassCubeMap::render: \"" + getName() +
                                 L"\" has no position; it renders from the origin\n");
        }
        renderFaces(m_position);
        break;
    default: {
        m_list.clear();
        m_sceneGraph->GetRenderList(camera, m_list, nullptr, true);
        const std::vector<RenderObjekt*> list = m_list;
        for (RenderObjekt* object : list) {
            if (object->getName() != m_objectName)
                continue;
            const AABB& box = object->getBoundingBox();
            renderFaces((box.getMin() + box.getMax()) * 0.5f);
        }
        break;
    }
    }
}

void RenderPassCubeMap::renderFaces(const D3DXVECTOR3& centre)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    for (unsigned i = 0; i < 6; ++i) {
        m_faces[i]->setEyePosition(centre);
        m_faces[i]->setLookAt(centre + kFaceDirections[i]);
    }
    device->EndScene();
    for (unsigned i = 0; i < 6; ++i) {
        PassTargetScope target;
        if (!target.begin(device, m_cube->getSurface(i), m_depth->getSurface(), m_cubeSize, m_cubeSize))
            break;
        if (m_clearFlags != 0)
            device->Clear(0, nullptr, m_clearFlags, m_clearColour, m_clearDepth, static_cast<DWORD>(m_clearStencil));
        // A face sees a quarter of the surroundings: each pass leaves out what lies outside it.
        if (m_found.empty()) {
            const PassCulling own = getCulling();
            setCulling(PassCulling{true, own.byPlane, own.keep});
            RenderPass::render(m_faces[i].get());
            setCulling(own);
        } else {
            for (RenderPass* pass : m_found) {
                const PassCulling own = pass->getCulling();
                pass->setCulling(PassCulling{true, own.byPlane, own.keep});
                pass->render(m_faces[i].get());
                pass->setCulling(own);
            }
        }
    }
    device->BeginScene();
}

} // namespace Ulvo
