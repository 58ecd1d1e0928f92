#pragma once
// The game's globals. Stand-in: the class grows with the game; for now it keeps
// the "API_PARAMS" section of "config.cfg" as read and writes it back unchanged.
#include "foundation/xml/ConfigSection.h"
#include "foundation/app/UserGlobals.h"

namespace ThreeMatch {

class MyGlobals : public Ulvo::UserGlobals {
public:
    MyGlobals() = default;
    ~MyGlobals() override = default;

    bool load(Ulvo::XMLNode* node) override;
    bool save(Ulvo::XMLNode* node) override;
    bool initSound(Ulvo::EngineParams* params) override;
    bool postInit(Ulvo::EngineParams* params) override;

private:
    Ulvo::ConfigSection m_apiParams;
};

} // namespace ThreeMatch
