#include "devices/d3d/D3DInitParams.h"

#include "devices/d3d/FormatNames.h"
#include "devices/window/Window.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <string>

namespace Ulvo {

namespace {

// An enumeration value from the file; values the type cannot hold keep the
// field's value, with a log line.
template <class Enum> void readEnum(const XMLNode* node, const wchar_t* key, Enum& field, int lowest, int highest)
{
    int value = 0;
    if (!node->readInt(key, value))
        return;
    if (value < lowest || value > highest) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         std::wstring(L"D3DINITPARAMS: ") + key + L"=\"" + node->getAttributeValue(key) +
                             L"\" ignored\n");
        return;
    }
    field = static_cast<Enum>(value);
}

void logReplaced(const XMLNode* node, const wchar_t* key, const std::wstring& used)
{
    mainLogger().log(50, LOG_TYPE_WARNING,
                     std::wstring(L"D3DINITPARAMS: ") + key + L"=\"" + node->getAttributeValue(key) +
                         L"\" is not usable, " + used + L" is used\n");
}

bool isDepthStencilFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D32:
    case D3DFMT_D15S1:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D16:
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_D24FS8:
        return true;
    default:
        return false;
    }
}

// D3DFMT_UNKNOWN asks for any format.
bool isDisplayFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_UNKNOWN:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A2R10G10B10:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X8R8G8B8:
        return true;
    default:
        return false;
    }
}

// A format name that names no format of the kind keeps the field, with a log line.
void readCheckedFormat(const XMLNode* node, const wchar_t* key, D3DFORMAT& field, bool (*usable)(D3DFORMAT))
{
    std::wstring name;
    if (!node->readString(key, name))
        return;
    const D3DFORMAT format = formatFromName(name);
    if (usable(format))
        field = format;
    else
        logReplaced(node, key, formatToName(field));
}

// Direct3D 9 takes up to three back buffers (0 counts as one); a negative count is no count.
void readBackBufferCount(const XMLNode* node, UINT& field)
{
    int count = 0;
    if (!node->readInt(L"BACKBUFFER_COUNT", count))
        return;
    constexpr int kMaxBackBuffers = 3;
    if (count >= 0 && count <= kMaxBackBuffers) {
        field = static_cast<UINT>(count);
        return;
    }
    field = count < 0 ? D3DInitParams::defaultPresentParams().BackBufferCount : kMaxBackBuffers;
    logReplaced(node, L"BACKBUFFER_COUNT", std::to_wstring(field));
}

void readPresentationInterval(const XMLNode* node, UINT& field)
{
    uint32_t interval = 0;
    if (!node->readInt(L"PRESENTATION_INTERVAL", interval))
        return;
    switch (interval) {
    case D3DPRESENT_INTERVAL_DEFAULT:
    case D3DPRESENT_INTERVAL_ONE:
    case D3DPRESENT_INTERVAL_TWO:
    case D3DPRESENT_INTERVAL_THREE:
    case D3DPRESENT_INTERVAL_FOUR:
    case D3DPRESENT_INTERVAL_IMMEDIATE:
        field = interval;
        return;
    default:
        field = D3DInitParams::defaultPresentParams().PresentationInterval;
        logReplaced(node, L"PRESENTATION_INTERVAL", std::to_wstring(static_cast<int>(field)));
    }
}

void addInt(XMLNode* node, const wchar_t* key, uint32_t value)
{
    // Written signed, so "no limit" and the immediate interval read back as the
    // same bits.
    node->addAttribute(new XMLAttribute(key, static_cast<int>(value)));
}

} // namespace

D3DPRESENT_PARAMETERS D3DInitParams::defaultPresentParams()
{
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return params;
}

void D3DInitParams::useDefaults()
{
    m_presentParams = defaultPresentParams();
    m_presentParams.Windowed = FALSE;
    m_displayMode = D3DDISPLAYMODE{0x80000000u, 0x80000000u, 75, D3DFMT_UNKNOWN};
}

D3DInitParams::D3DInitParams(Window* window) : m_presentParams(defaultPresentParams()), m_window(window) {}

bool D3DInitParams::isAllowed(const D3DDISPLAYMODE& mode) const
{
    return m_minResX <= mode.Width && mode.Width <= m_maxResX && m_minResY <= mode.Height && mode.Height <= m_maxResY;
}

bool D3DInitParams::load(XMLNode* node)
{
    mainLogger().log(10, LOG_TYPE_INFO, L"Ulvo::D3DInitParams::load\n");
    LogIndent<Logger> indent(mainLogger());
    if (!node)
        return true;
    m_section.keep(*node);

    if (XMLNode* window = node->getNode(L"WINDOW")) {
        if (m_window)
            m_window->load(window);
    }
    if (XMLNode* mode = node->getNode(L"DISP_MODE")) {
        // A present mode node starts from an empty mode: missing keys read as 0.
        m_displayMode = D3DDISPLAYMODE{};
        mode->readInt(L"RES_X", m_displayMode.Width);
        mode->readInt(L"RES_Y", m_displayMode.Height);
        readCheckedFormat(mode, L"FORMAT", m_displayMode.Format, isDisplayFormat);
        mode->readInt(L"REFRESH_RATE", m_displayMode.RefreshRate);
    }
    if (XMLNode* present = node->getNode(L"PRESENTER_PARAMS")) {
        // Missing keys take the values a new object starts with, so a file that
        // names only some of them (older builds wrote FULLSCREEN alone) still
        // gives a working device. Without FULLSCREEN the device starts in full
        // screen. Switches are on when their integer value is above 0.
        m_presentParams = defaultPresentParams();
        bool fullscreen = true;
        present->readFlag(L"FULLSCREEN", fullscreen);
        m_presentParams.Windowed = fullscreen ? FALSE : TRUE;
        readBackBufferCount(present, m_presentParams.BackBufferCount);
        readEnum(present, L"SWAP_EFFECT", m_presentParams.SwapEffect, D3DSWAPEFFECT_DISCARD, D3DSWAPEFFECT_COPY);
        readPresentationInterval(present, m_presentParams.PresentationInterval);
        // FLAGS is written for reference only.
        if (const XMLNode* depth = present->getNode(L"AUTO_DEPTH_STENCIL")) {
            bool enable = false;
            if (depth->readFlag(L"ENABLE", enable))
                m_presentParams.EnableAutoDepthStencil = enable ? TRUE : FALSE;
            readCheckedFormat(depth, L"FORMAT", m_presentParams.AutoDepthStencilFormat, isDepthStencilFormat);
        }
        if (const XMLNode* multisample = present->getNode(L"MULTISAMPLE")) {
            readEnum(multisample, L"TYPE", m_presentParams.MultiSampleType, D3DMULTISAMPLE_NONE,
                     D3DMULTISAMPLE_16_SAMPLES);
            multisample->readInt(L"QUALITY", m_presentParams.MultiSampleQuality);
        }
    }
    if (XMLNode* misc = node->getNode(L"MISC")) {
        misc->readInt(L"MIN_RES_X", m_minResX);
        misc->readInt(L"MIN_RES_Y", m_minResY);
        misc->readInt(L"MAX_RES_X", m_maxResX);
        misc->readInt(L"MAX_RES_Y", m_maxResY);
        // "limit [reapply]"
        int limit = 0;
        int reapply = 0;
        if (misc->readPair(L"AUTO_DEGRADE", limit, reapply)) {
            m_autoDegradeLimit = limit > 0;
            m_autoDegradeReapply = reapply > 0;
        }
    }
    return true;
}

bool D3DInitParams::save(XMLNode* node)
{
    mainLogger().log(10, LOG_TYPE_INFO, L"Ulvo::D3DInitParams::save\n");
    LogIndent<Logger> indent(mainLogger());
    if (!node)
        return true;

    // An unconfirmed change never reaches the file.
    const D3DDISPLAYMODE& mode = m_pending ? m_previousMode : m_displayMode;
    const D3DPRESENT_PARAMETERS& present = m_pending ? m_previousPresentParams : m_presentParams;

    XMLNode values;
    XMLNode* window = new XMLNode(L"WINDOW");
    if (m_window)
        m_window->save(window);
    values.addNode(window);

    XMLNode* modeNode = new XMLNode(L"DISP_MODE");
    addInt(modeNode, L"RES_X", mode.Width);
    addInt(modeNode, L"RES_Y", mode.Height);
    modeNode->addAttribute(new XMLAttribute(L"FORMAT", formatToName(mode.Format)));
    addInt(modeNode, L"REFRESH_RATE", mode.RefreshRate);
    values.addNode(modeNode);

    XMLNode* presentNode = new XMLNode(L"PRESENTER_PARAMS");
    presentNode->addAttribute(new XMLAttribute(L"FULLSCREEN", present.Windowed == FALSE));
    addInt(presentNode, L"BACKBUFFER_COUNT", present.BackBufferCount);
    addInt(presentNode, L"SWAP_EFFECT", static_cast<uint32_t>(present.SwapEffect));
    addInt(presentNode, L"PRESENTATION_INTERVAL", present.PresentationInterval);
    addInt(presentNode, L"FLAGS", present.Flags);
    XMLNode* depth = new XMLNode(L"AUTO_DEPTH_STENCIL");
    addInt(depth, L"ENABLE", static_cast<uint32_t>(present.EnableAutoDepthStencil));
    depth->addAttribute(new XMLAttribute(L"FORMAT", formatToName(present.AutoDepthStencilFormat)));
    presentNode->addNode(depth);
    XMLNode* multisample = new XMLNode(L"MULTISAMPLE");
    addInt(multisample, L"TYPE", static_cast<uint32_t>(present.MultiSampleType));
    addInt(multisample, L"QUALITY", present.MultiSampleQuality);
    presentNode->addNode(multisample);
    values.addNode(presentNode);

    XMLNode* misc = new XMLNode(L"MISC");
    addInt(misc, L"MIN_RES_X", m_minResX);
    addInt(misc, L"MIN_RES_Y", m_minResY);
    addInt(misc, L"MAX_RES_X", m_maxResX);
    addInt(misc, L"MAX_RES_Y", m_maxResY);
    misc->addAttribute(new XMLAttribute(L"AUTO_DEGRADE", std::wstring(m_autoDegradeLimit ? L"1" : L"0") + L" " +
                                                             (m_autoDegradeReapply ? L"1" : L"0")));
    values.addNode(misc);
    m_section.write(*node, values);
    return true;
}

} // namespace Ulvo
