#pragma once
// A light a scene object carries: an attach point that, switched on, copies a template light of
// the deferred renderer, hangs the copy on itself and adds it to the active lights. Its on and
// off times (base time and variation) drive the automatic switching; a copy draws its times anew
// within base plus or minus variation.
#include "render/cameras/AttachPoint.h"
#include "scene/objects/BaseObjekt.h"

#include <string>

namespace Ulvo {

class LightHost;

class BaseObjekt::LightAttachPoint : public AttachPoint {
public:
    // The attach point's entries, then LIGHT_NAME, LIGHT_ON and LIGHT_OFF ("base" or
    // "base variation"; on 3.5, off 1.5 by default).
    explicit LightAttachPoint(XMLNode* node);
    LightAttachPoint(const LightAttachPoint& other);
    // Takes its light out of the deferred renderer.
    ~LightAttachPoint() override;

    bool save(XMLNode* node) override;

    // Without a template of that name only the flag changes.
    void switchOn();
    void switchOff();
    bool isOn() const { return m_on; }

    const std::wstring& getLightName() const { return m_lightName; }
    NamedObject* getLight() const { return m_light; }
    // The times this light switches at.
    float getOnTime() const { return m_onTime; }
    float getOffTime() const { return m_offTime; }
    float getOnBase() const { return m_onBase; }
    float getOnVariation() const { return m_onVariation; }
    float getOffBase() const { return m_offBase; }
    float getOffVariation() const { return m_offVariation; }

    // The renderer whose templates the lights copy; handed down by the engine.
    static void setLightHost(LightHost* host);
    static LightHost* getLightHost();

private:
    std::wstring m_lightName;
    NamedObject* m_light = nullptr; // one reference of its own
    float m_offBase = 1.5f;
    float m_offVariation = 0.0f;
    float m_offTime = 1.5f;
    float m_onBase = 3.5f;
    float m_onVariation = 0.0f;
    float m_onTime = 3.5f;
    bool m_on = false;
};

} // namespace Ulvo
