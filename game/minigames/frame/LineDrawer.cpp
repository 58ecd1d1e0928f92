#include "minigames/frame/LineDrawer.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "graphics/sprites/D3DXSprite.h"
#include "gui/system/GUISystem.h"

namespace ThreeMatch {

LineDrawer::~LineDrawer()
{
    release();
}

bool LineDrawer::create()
{
    release();
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    if (!device || FAILED(D3DXCreateLine(device, &m_line)) || !m_line) {
        m_line = nullptr;
        return false;
    }
    followDevice();
    return true;
}

void LineDrawer::release()
{
    stopFollowingDevice();
    Ulvo::releaseAndNull(m_line);
    m_begun = false;
}

bool LineDrawer::begin(float width)
{
    if (!m_line || m_begun)
        return false;
    if (Ulvo::BaseSprite* sprite = Ulvo::GUISystem::getInstance()->getSprite())
        sprite->suspendBatch();
    m_line->SetWidth(width);
    m_line->SetAntialias(TRUE);
    m_begun = SUCCEEDED(m_line->Begin());
    if (!m_begun)
        end();
    return m_begun;
}

void LineDrawer::line(const D3DXVECTOR2& from, const D3DXVECTOR2& to, D3DCOLOR colour)
{
    if (!m_begun)
        return;
    const D3DXVECTOR2 points[2] = {from, to};
    m_line->Draw(points, 2, colour);
}

void LineDrawer::end()
{
    if (m_begun)
        m_line->End();
    m_begun = false;
    if (Ulvo::BaseSprite* sprite = Ulvo::GUISystem::getInstance()->getSprite())
        sprite->resumeBatch();
}

void LineDrawer::onLostDevice()
{
    if (m_line)
        m_line->OnLostDevice();
}

void LineDrawer::onResetDevice()
{
    if (m_line)
        m_line->OnResetDevice();
}

} // namespace ThreeMatch
