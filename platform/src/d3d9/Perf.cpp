// D3DPERF markers as GL debug groups, which GL debuggers and driver traces show, on a debug
// context (one a debugger or MESA_DEBUG=context asks for); without one they are counted only.
#include "d3d9/Device.h"

#include <string>

using namespace GLFn;

namespace D3D9Internal {
Device* currentDevice();
}

namespace {

int s_depth = 0;

std::string utf8(LPCWSTR text)
{
    std::string out;
    if (!text)
        return out;
    for (; *text; ++text) {
        uint32_t c = static_cast<uint32_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x110000) {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool debugGroups()
{
    D3D9Internal::Device* device = D3D9Internal::currentDevice();
    return device && device->features().debugGroups;
}

} // namespace

int D3DPERF_BeginEvent(D3DCOLOR, LPCWSTR wszName)
{
    if (debugGroups()) {
        std::string name = utf8(wszName);
        glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, static_cast<GLsizei>(name.size()), name.c_str());
    }
    return s_depth++;
}

int D3DPERF_EndEvent()
{
    if (s_depth == 0)
        return -1;
    if (debugGroups())
        glPopDebugGroup();
    return --s_depth;
}

void D3DPERF_SetMarker(D3DCOLOR, LPCWSTR wszName)
{
    D3D9Internal::Device* device = D3D9Internal::currentDevice();
    if (device && device->features().debugGroups && glDebugMessageInsert) {
        std::string name = utf8(wszName);
        glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_MARKER, 0, GL_DEBUG_SEVERITY_NOTIFICATION,
                             static_cast<GLsizei>(name.size()), name.c_str());
    }
}

void D3DPERF_SetRegion(D3DCOLOR col, LPCWSTR wszName)
{
    D3DPERF_SetMarker(col, wszName);
}

BOOL D3DPERF_QueryRepeatFrame()
{
    return FALSE;
}

void D3DPERF_SetOptions(DWORD) {}

// Nonzero while the markers reach a tool: callers may then spend time naming them.
DWORD D3DPERF_GetStatus()
{
    return debugGroups() ? 1 : 0;
}
