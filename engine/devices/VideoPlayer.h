#pragma once
// The intro video over the main window. Stand-in: the class grows with the
// video subsystem; for now play returns at once without a quit request.
#include <windows.h>

#include <string>

namespace Ulvo {

class UlvoEngine;

struct VideoPlayResult {
    bool quitRequested = false;
    HRESULT result = S_OK; // the last result of the playback calls
};

class VideoPlayer {
public:
    explicit VideoPlayer(const std::wstring& fileName);

    VideoPlayResult play();

private:
    UlvoEngine* m_engine;
    std::wstring m_fileName;
};

} // namespace Ulvo
