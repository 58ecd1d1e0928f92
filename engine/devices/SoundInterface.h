#pragma once
// The sound system. Stand-in: the class grows with the sound subsystem; for
// now it starts without a sound engine.
namespace Ulvo {

class SoundInitParams;

class SoundInterface {
public:
    static SoundInterface* getInstance();

    bool init(SoundInitParams* params);
    // Once per update step.
    void update();

private:
    SoundInterface() = default;

    SoundInitParams* m_initParams = nullptr;
};

} // namespace Ulvo
