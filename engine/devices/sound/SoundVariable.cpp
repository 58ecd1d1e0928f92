#include "devices/sound/SoundVariable.h"

#include "devices/sound/SoundInterface.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

namespace {

// The engine's variable names are in the ANSI code page; what it cannot
// show becomes a blank.
std::string toEngineName(const std::wstring& name)
{
    char buffer[1024];
    const int written =
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, buffer, static_cast<int>(sizeof(buffer)), " ", nullptr);
    if (written <= 0)
        return std::string();
    buffer[sizeof(buffer) - 1] = '\0';
    return std::string(buffer);
}

} // namespace

GlobalSoundVariable::GlobalSoundVariable(XMLNode* node)
    : NamedObject(node), m_soundengine(SoundInterface::getInstance()->getXACT3EngineRef())
{
    if (!m_soundengine || !node)
        return;
    m_value = 0.0f;
    std::wstring name;
    if (node->readString(L"VAR_NAME", name)) {
        m_variableIndex = m_soundengine->GetGlobalVariableIndex(toEngineName(name).c_str());
        XACTVARIABLEVALUE current = 0.0f;
        if (m_variableIndex != XACTVARIABLEINDEX_INVALID &&
            SUCCEEDED(m_soundengine->GetGlobalVariable(m_variableIndex, &current)))
            m_value = current;
        else
            mainLogger().log(75, LOG_TYPE_WARNING, L"Unknown global sound variable: ", name, L"\n");
    }
    float value = 0.0f;
    if (node->readFloat(L"VAR_VALUE", value))
        setValue(value);
}

HRESULT GlobalSoundVariable::setValue(const float& value)
{
    m_value = value;
    if (!m_soundengine || !SoundInterface::isEngineRunning())
        return E_FAIL;
    const HRESULT hr = m_soundengine->SetGlobalVariable(m_variableIndex, m_value);
    if (FAILED(hr))
        logFailedCall(mainLogger(), L"Ulvo::GlobalSoundVariable::setValue", __LINE__,
                      L"m_soundengine->SetGlobalVariable(m_variableIndex,m_value)");
    return hr;
}

CueSoundVariable::CueSoundVariable(XMLNode* node)
    : NamedObject(node), m_soundengine(SoundInterface::getInstance()->getXACT3EngineRef())
{
    InitializeCriticalSection(&m_lock);
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"VAR_NAME", name))
        m_variableName = toEngineName(name);
}

CueSoundVariable::~CueSoundVariable()
{
    DeleteCriticalSection(&m_lock);
}

} // namespace Ulvo
