#pragma once
// A sound a scene object carries (a SOUND node: NAME, SOUNDBANK, CUE_NAME): plays its cue in 3D
// at the object, keeps the playing cues with whoever asked, moves them with the object, and
// drops each cue when it stops.
#include "foundation/objects/NamedObject.h"
#include "scene/objects/BaseObjekt.h"

#include <string>
#include <vector>

namespace Ulvo {

class Playing3DSoundCue;

class BaseObjekt::PlayableSound : public NamedObject {
public:
    explicit PlayableSound(XMLNode* node);
    // The names only; no cues.
    PlayableSound(const PlayableSound& other);
    PlayableSound& operator=(const PlayableSound&) = delete;
    // Stops and releases every cue still playing.
    ~PlayableSound() override;

    bool save(XMLNode* node) override;

    // Null when the bank or the cue is missing; the caller owns a reference of the cue.
    PlayingSoundCue* play(const D3DXVECTOR3& position, BaseObjekt* requester);
    // Moves every cue that still plays.
    void update(const D3DXVECTOR3& position);

    const std::wstring& getBankName() const { return m_bankName; }
    const std::wstring& getCueName() const { return m_cueName; }
    std::size_t getPlayingCount() const { return m_cues.size(); }

private:
    void onCueStopped(PlayingSoundCue& cue);

    std::wstring m_bankName;
    std::wstring m_cueName;
    std::vector<Playing3DSoundCue*> m_cues; // one reference each
    std::vector<BaseObjekt*> m_requesters;
};

} // namespace Ulvo
