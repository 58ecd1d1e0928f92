#include "devices/sound/SoundInitParams.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cstring>

namespace Ulvo {

namespace {

void removeAttribute(XMLNode* node, const wchar_t* name)
{
    if (!node)
        return;
    while (XMLAttribute* attribute = node->getAttribute(name))
        node->removeAttribute(attribute);
}

} // namespace

SoundInitParams::SoundInitParams()
{
    std::memset(&m_runtime_params, 0, sizeof(m_runtime_params));
}

bool SoundInitParams::load(XMLNode* node)
{
    Logger& log = mainLogger();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::SoundInitParams::load\n");
    LogIndent<Logger> indent(log);

    m_CreationFlags = 0;
    if (!node)
        return true;
    m_section.keep(*node);

    if (XMLNode* flags = node->getNode(L"CREATION_FLAGS")) {
        bool audition = false;
        bool debug = false;
        flags->readBool(L"AUDITION_MODE", audition);
        flags->readBool(L"DEBUG_MODE", debug);
        if (audition)
            m_CreationFlags |= XACT_FLAG_API_AUDITION_MODE;
        if (debug)
            m_CreationFlags |= XACT_FLAG_API_DEBUG_MODE;
    }
    if (XMLNode* runtime = node->getNode(L"RUNTIME_PARAMS")) {
        // A negative time asks for the engine's default (0).
        int lookAhead = 0;
        if (runtime->readInt(L"LOOK_AHEAD_TIME", lookAhead)) {
            if (lookAhead < 0)
                mainLogger().log(50, LOG_TYPE_WARNING,
                                 L"SOUNDINITPARAMS: LOOK_AHEAD_TIME=\"" +
                                     runtime->getAttributeValue(L"LOOK_AHEAD_TIME") +
                                     L"\" is not usable, the default is used\n");
            m_runtime_params.lookAheadTime = static_cast<DWORD>(lookAhead < 0 ? 0 : lookAhead);
        }
    }
    node->readBool(L"INIT_3D", m_init3D);
    return true;
}

bool SoundInitParams::save(XMLNode* node)
{
    Logger& log = mainLogger();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::SoundInitParams::save\n");
    LogIndent<Logger> indent(log);
    if (!node)
        return true;

    XMLNode values;
    XMLNode* flags = new XMLNode(L"CREATION_FLAGS");
    if (m_CreationFlags & XACT_FLAG_API_AUDITION_MODE)
        flags->addAttribute(new XMLAttribute(L"AUDITION_MODE", 1));
    if (m_CreationFlags & XACT_FLAG_API_DEBUG_MODE)
        flags->addAttribute(new XMLAttribute(L"DEBUG_MODE", 1));
    values.addNode(flags);

    XMLNode* runtime = new XMLNode(L"RUNTIME_PARAMS");
    // 0 asks the engine for its default as well.
    const DWORD lookAhead = m_runtime_params.lookAheadTime;
    const bool customLookAhead = lookAhead != 0 && lookAhead != XACT_ENGINE_LOOKAHEAD_DEFAULT;
    if (customLookAhead)
        runtime->addAttribute(new XMLAttribute(L"LOOK_AHEAD_TIME", static_cast<int>(lookAhead)));
    values.addNode(runtime);
    values.addAttribute(new XMLAttribute(L"INIT_3D", m_init3D));

    m_section.write(*node, values);

    // What was read but is off now (a cleared flag, the default look-ahead)
    // must not come back from the kept copy.
    XMLNode* writtenFlags = node->getNode(L"CREATION_FLAGS");
    if (!(m_CreationFlags & XACT_FLAG_API_AUDITION_MODE))
        removeAttribute(writtenFlags, L"AUDITION_MODE");
    if (!(m_CreationFlags & XACT_FLAG_API_DEBUG_MODE))
        removeAttribute(writtenFlags, L"DEBUG_MODE");
    if (!customLookAhead)
        removeAttribute(node->getNode(L"RUNTIME_PARAMS"), L"LOOK_AHEAD_TIME");
    return true;
}

} // namespace Ulvo
