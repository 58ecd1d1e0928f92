#pragma once
// Shared set-up of the sound tests: the engine started as the game starts it
// (with the shipped global settings), the shipped sound configuration loaded
// from the runtime folder, and a pump that runs update steps for a while.
#include "devices/sound/SoundInitParams.h"
#include "devices/sound/SoundInterface.h"
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace SoundTesting {

// Hands the global settings file to the engine the way the game does: a
// COM task buffer that the engine frees.
inline bool attachGlobalSettings(Ulvo::SoundInitParams& params)
{
    Ulvo::File file(L"Vodezivudo");
    if (!file.loadFile(L"data\\Sounds\\Vodezivudo.xgs", Ulvo::GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        return false;
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!file.getFILE_DATA(data, size))
        return false;
    void* buffer = CoTaskMemAlloc(size);
    if (buffer)
        std::memcpy(buffer, data, size);
    delete[] data;
    if (!buffer)
        return false;
    params.m_runtime_params.pGlobalSettingsBuffer = buffer;
    params.m_runtime_params.globalSettingsBufferSize = size;
    params.m_runtime_params.globalSettingsFlags = XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA;
    return true;
}

// Runs update steps (about 500 a second) for the given time.
inline void pump(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        Ulvo::SoundInterface::getInstance()->update();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Every test works in the runtime folder with the audio driver it names and
// leaves the sound system shut down and the driver back at dummy.
class SoundFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Ulvo::logSwitch() = 0;
        m_cwd = std::make_unique<TestSupport::ScopedCwd>(TestSupport::runtimeDir());
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        sound = Ulvo::SoundInterface::getInstance();
        sound->shutdown();
    }

    void TearDown() override
    {
        sound->shutdown();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        m_cwd.reset();
    }

    // Starts the engine with the shipped global settings.
    bool start(bool init3D = true)
    {
        params = std::make_unique<Ulvo::SoundInitParams>();
        params->setInit3D(init3D);
        if (!attachGlobalSettings(*params))
            return false;
        return sound->init(params.get());
    }

    bool loadShipped()
    {
        Ulvo::XMLNode root;
        if (!Ulvo::XMLNode::load(&root, L"data\\Sounds\\sounds.snd", 0))
            return false;
        sound->load(&root);
        return true;
    }

    Ulvo::SoundInterface* sound = nullptr;
    std::unique_ptr<Ulvo::SoundInitParams> params;

private:
    std::unique_ptr<TestSupport::ScopedCwd> m_cwd;
};

} // namespace SoundTesting
