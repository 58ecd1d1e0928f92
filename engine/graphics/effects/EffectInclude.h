#pragma once
// Resolves an effect's #include files against the folder of its source, through the "DEFAULT"
// search order, so includes come from loose files or the archive alike.
#include <d3dx9.h>

#include <string>

namespace Ulvo {

class EffectInclude : public ID3DXInclude {
public:
    EffectInclude() = default;
    virtual ~EffectInclude() = default;

    HRESULT Open(D3DXINCLUDE_TYPE type, LPCSTR fileName, LPCVOID parentData, LPCVOID* data, UINT* bytes) override;
    HRESULT Close(LPCVOID data) override;

    void setDirectory(const std::wstring& directory) { m_directory = directory; }
    const std::wstring& getDirectory() const { return m_directory; }
    // Whether a file opened so far may blend with the target's alpha (blendsWithTargetAlpha).
    bool openedBlendsWithTargetAlpha() const { return m_blendsWithTargetAlpha; }

private:
    std::wstring m_directory;
    bool m_blendsWithTargetAlpha = false;
};

} // namespace Ulvo
