#pragma once
// The application's globals as the engine sees them: the "API_PARAMS" section
// of "config.cfg" and two hooks around the start of the devices.
namespace Ulvo {

class EngineParams;
class XMLNode;

class UserGlobals {
public:
    UserGlobals() = default;
    virtual ~UserGlobals() = default;
    UserGlobals(const UserGlobals&) = delete;
    UserGlobals& operator=(const UserGlobals&) = delete;

    // The "API_PARAMS" node of the configuration.
    virtual bool load(XMLNode* node);
    // A new, empty "API_PARAMS" node to fill.
    virtual bool save(XMLNode* node);
    // Before any device starts.
    virtual bool initSound(EngineParams* params);
    // After every device and manager started.
    virtual bool postInit(EngineParams* params);
};

} // namespace Ulvo
