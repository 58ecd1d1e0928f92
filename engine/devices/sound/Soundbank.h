#pragma once
// A sound bank of the sound engine, read whole from its file, that plays cues
// in 2D or positioned in 3D. The started 3D cues are kept until the engine
// reports their stop, and refreshed every UPDATE_TICKS ms so that moving
// listener and emitters are heard.
#include "foundation/objects/NamedObject.h"

#include <d3dx9math.h>
#include <windows.h>
#include <xact3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class PlayingSoundCue;
class Playing3DSoundCue;
class SoundInterface;
class XMLNode;

class Soundbank : public NamedObject {
public:
    // NAME, UPDATE_TICKS and the child node FILE (the bank file).
    explicit Soundbank(XMLNode* node);
    ~Soundbank() override;
    Soundbank(const Soundbank&) = delete;
    Soundbank& operator=(const Soundbank&) = delete;

    // XACTINDEX_INVALID when absent or when the bank has no engine bank.
    XACTINDEX getCueIndex(const std::wstring& name);

    // The caller owns the reference of the returned cue; null when nothing
    // could be prepared or started. A null cue argument makes a new one.
    PlayingSoundCue* play2D(const XACTINDEX& index, PlayingSoundCue* cue, const bool& start);
    PlayingSoundCue* play2DByName(const std::wstring& name, const bool& start);
    // The bank keeps a second reference until the engine reports the stop.
    // Without 3D state the cue plays in 2D.
    Playing3DSoundCue* play3D(const XACTINDEX& index, const D3DXVECTOR3& position);
    Playing3DSoundCue* play3DByName(const std::wstring& name, const D3DXVECTOR3& position);

    // Once per update step (from SoundInterface::update).
    void update();
    // From SoundInterface's notification callback; only cue stops matter.
    void onNotification(const XACT_NOTIFICATION* notification);

    // Takes over the engine cue of a handle that is deleted while its sound
    // may still play; the cue is destroyed once the engine has finished it.
    void retireCue(IXACT3Cue* cue);

    IXACT3SoundBank* getXACTSoundBank() const { return m_soundbank; }
    uint32_t getUpdateTicks() const { return m_updateTicks; }
    std::size_t getPlayingCueCount();
    std::size_t getRetiredCueCount();

private:
    void destroyFinishedCues();
    // Takes a cue that the engine has ended, already out of the list.
    void endCue(Playing3DSoundCue* cue);

    unsigned char* m_soundbankfile_data = nullptr;
    uint32_t m_soundbankfile_size = 0;
    IXACT3SoundBank* m_soundbank = nullptr;
    std::vector<Playing3DSoundCue*> m_playingCues;
    SoundInterface& m_soundinterface;
    CRITICAL_SECTION m_lock;
    DWORD m_lastUpdate = 0;
    uint32_t m_updateTicks = 100;
    // Engine cues whose handles are gone, kept until they stop playing.
    std::vector<IXACT3Cue*> m_retiredCues;
};

} // namespace Ulvo
