#pragma once
// Named sound-engine variables: a global variable with a settable value (the
// volumes the game's options change), and a cue variable kept by name.
#include "foundation/objects/NamedObject.h"

#include <windows.h>
#include <xact3.h>

#include <string>

namespace Ulvo {

class XMLNode;

class GlobalSoundVariable : public NamedObject {
public:
    // NAME, VAR_NAME (the variable in the engine's global settings) and
    // VAR_VALUE (set at once).
    explicit GlobalSoundVariable(XMLNode* node);
    GlobalSoundVariable(const GlobalSoundVariable&) = delete;
    GlobalSoundVariable& operator=(const GlobalSoundVariable&) = delete;

    // Stores the value and hands it to the engine; E_FAIL without engine.
    HRESULT setValue(const float& value);
    float getValue() const { return m_value; }
    XACTVARIABLEINDEX getVariableIndex() const { return m_variableIndex; }

private:
    XACTVARIABLEINDEX m_variableIndex = XACTVARIABLEINDEX_INVALID;
    float m_value = 0.0f;
    IXACT3Engine* const& m_soundengine;
};

class CueSoundVariable : public NamedObject {
public:
    // NAME and VAR_NAME.
    explicit CueSoundVariable(XMLNode* node);
    ~CueSoundVariable() override;
    CueSoundVariable(const CueSoundVariable&) = delete;
    CueSoundVariable& operator=(const CueSoundVariable&) = delete;

    // The variable's name in the engine's code page.
    const std::string& getVariableName() const { return m_variableName; }
    XACTVARIABLEINDEX getVariableIndex() const { return m_variableIndex; }
    float getValue() const { return m_value; }

private:
    XACTVARIABLEINDEX m_variableIndex = 0;
    float m_value = 0.0f;
    IXACT3Engine* const& m_soundengine;
    std::string m_variableName;
    CRITICAL_SECTION m_lock;
};

} // namespace Ulvo
