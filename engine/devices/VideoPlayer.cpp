#include "devices/VideoPlayer.h"

#include "foundation/UlvoEngine.h"

namespace Ulvo {

VideoPlayer::VideoPlayer(const std::wstring& fileName) : m_engine(UlvoEngine::getInstance()), m_fileName(fileName) {}

VideoPlayResult VideoPlayer::play()
{
    // Nothing can play yet: report it as a clip that could not be opened, which
    // lets the start go on.
    VideoPlayResult result;
    result.result = E_NOTIMPL;
    return result;
}

} // namespace Ulvo
