#include "GameTestSupport.h"

#include "engine/UlvoEngine.h"
#include "foundation/app/AppInfo.h"

#include <platform_app.h>
#include <platform_test.h>

namespace GameTesting {

Ulvo::XMLNode parse(const std::wstring& text)
{
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, text, 1);
    return root;
}

VirtualGameClock::VirtualGameClock()
{
    PlatformUseVirtualClock(true);
    Ulvo::UlvoEngine::getInstance()->getPerfTimer()->update();
}

VirtualGameClock::~VirtualGameClock()
{
    setPaused(false);
    PlatformUseVirtualClock(false);
}

void VirtualGameClock::step(double seconds)
{
    PlatformAdvanceVirtualClock(static_cast<uint64_t>(seconds * 1e6 + 0.5));
    Ulvo::UlvoEngine::getInstance()->getPerfTimer()->update();
}

void VirtualGameClock::setPaused(bool paused)
{
    Ulvo::UlvoEngine::getInstance()->getPerfTimer()->setPause(1, paused);
}

SaveFolder::SaveFolder()
{
    Ulvo::AppInfo* info = Ulvo::AppInfo::getInstance();
    m_oldKind = info->getSavePathKind();
    info->setSavePathKind(Ulvo::AppInfo::SAVE_PATH_APP_DATA);
    info->createSaveFolder();
    // Where the layer puts the Windows path of the save folder.
    m_path = PlatformMapPath(info->expandSavePath());
    clean();
}

SaveFolder::~SaveFolder()
{
    clean();
    Ulvo::AppInfo::getInstance()->setSavePathKind(m_oldKind);
}

std::filesystem::path SaveFolder::profile() const
{
    return file("profile.prf");
}

std::filesystem::path SaveFolder::file(const std::string& name) const
{
    return m_path / name;
}

void SaveFolder::clean() const
{
    std::error_code ec;
    for (const char* name : {"profile.prf", "profile.prf.bak", "profile.prf.tmp"})
        std::filesystem::remove_all(file(name), ec);
}

} // namespace GameTesting
