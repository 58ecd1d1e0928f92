#include "scene/objects/PlayableSound.h"

#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/SoundInterface.h"
#include "devices/sound/Soundbank.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"

#include <algorithm>

namespace Ulvo {

BaseObjekt::PlayableSound::PlayableSound(XMLNode* node) : NamedObject(node)
{
    node->readString(L"SOUNDBANK", m_bankName);
    node->readString(L"CUE_NAME", m_cueName);
}

BaseObjekt::PlayableSound::PlayableSound(const PlayableSound& other)
    : NamedObject(other), m_bankName(other.m_bankName), m_cueName(other.m_cueName)
{
}

BaseObjekt::PlayableSound::~PlayableSound()
{
    std::vector<Playing3DSoundCue*> cues;
    cues.swap(m_cues);
    m_requesters.clear();
    for (auto it = cues.rbegin(); it != cues.rend(); ++it) {
        Playing3DSoundCue* cue = *it;
        cue->stopped.disconnect(this);
        if (!cue->isStopped())
            cue->stop();
        cue->Release();
    }
}

bool BaseObjekt::PlayableSound::save(XMLNode* node)
{
    if (!NamedObject::save(node))
        return false;
    xmlwrite::write(node, L"SOUNDBANK", m_bankName);
    xmlwrite::write(node, L"CUE_NAME", m_cueName);
    return true;
}

PlayingSoundCue* BaseObjekt::PlayableSound::play(const D3DXVECTOR3& position, BaseObjekt* requester)
{
    Soundbank* bank = SoundInterface::getInstance()->getSoundbank(m_bankName);
    if (!bank)
        return nullptr;
    Playing3DSoundCue* cue = bank->play3DByName(m_cueName, position);
    if (!cue)
        return nullptr;
    cue->AddRef();
    m_cues.push_back(cue);
    m_requesters.push_back(requester);
    cue->stopped.connect(this, &PlayableSound::onCueStopped);
    return cue;
}

void BaseObjekt::PlayableSound::update(const D3DXVECTOR3& position)
{
    for (auto it = m_cues.rbegin(); it != m_cues.rend(); ++it) {
        if (!(*it)->isStopped())
            (*it)->setPosition(position);
    }
}

void BaseObjekt::PlayableSound::onCueStopped(PlayingSoundCue& cue)
{
    auto found = std::find(m_cues.begin(), m_cues.end(), &cue);
    if (found == m_cues.end())
        return;
    m_requesters.erase(m_requesters.begin() + (found - m_cues.begin()));
    m_cues.erase(found);
    cue.stopped.disconnect(this);
    cue.Release();
}

} // namespace Ulvo
