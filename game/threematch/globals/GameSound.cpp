#include "threematch/globals/GameSound.h"

#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/SoundInterface.h"
#include "devices/sound/Soundbank.h"

namespace ThreeMatch {

void playGameSound(const std::wstring& name)
{
    if (name.empty())
        return;
    Ulvo::Soundbank* bank = Ulvo::SoundInterface::getInstance()->getDefaultSoundbank();
    if (!bank)
        return;
    if (Ulvo::PlayingSoundCue* cue = bank->play2DByName(name, true))
        cue->Release(); // plays on; the bank ends it
}

} // namespace ThreeMatch
