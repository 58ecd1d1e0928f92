#include "graphics/effects/EffectInclude.h"

#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "graphics/effects/Effect.h"

#include <cstring>

namespace Ulvo {

HRESULT EffectInclude::Open(D3DXINCLUDE_TYPE, LPCSTR fileName, LPCVOID, LPCVOID* data, UINT* bytes)
{
    if (!fileName || !data || !bytes)
        return E_FAIL;
    wchar_t wide[1024] = {};
    MultiByteToWideChar(CP_ACP, 0, fileName, -1, wide, 1023);
    wide[1023] = L'\0';
    const std::wstring path = File::removeDoubleBackslashes(File::combinePath(m_directory, wide));
    File file(path);
    if (!file.loadDataFile(path, GOBManager::getInstance()->getGOBOrder(L"DEFAULT")) || !file.isOpen())
        return E_FAIL;
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    if (!file.getFILE_DATA(buffer, size))
        return E_FAIL;
    if (blendsWithTargetAlpha(reinterpret_cast<const char*>(buffer), size))
        m_blendsWithTargetAlpha = true;
    *data = buffer;
    *bytes = size;
    return S_OK;
}

HRESULT EffectInclude::Close(LPCVOID data)
{
    delete[] static_cast<const unsigned char*>(data);
    return S_OK;
}

} // namespace Ulvo
