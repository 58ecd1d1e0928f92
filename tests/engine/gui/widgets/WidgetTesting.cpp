#include "widgets/WidgetTesting.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "gui/menus/GUIMenuManager.h"

namespace WidgetTesting {

using namespace Ulvo;

namespace {

const wchar_t* const kFonts = L"<FONTS>"
                              L"<FONTSTYLE NAME=\"default\" COLOR_VG=\"FFFFFFFF\"/>"
                              L"<FONTSTYLE NAME=\"gelb\" COLOR_VG=\"FFFFFF00\"/>"
                              L"<FONTSTYLE NAME=\"grau\" COLOR_VG=\"FF808080\"/>"
                              L"<D3DXFONT NAME=\"default\" FONT_NAME=\"DejaVu Sans\" HEIGHT=\"16\" "
                              L"SCALE_WITH_SCREEN=\"0\"/>"
                              L"<D3DXFONT NAME=\"gross\" FONT_NAME=\"DejaVu Sans\" HEIGHT=\"24\" "
                              L"SCALE_WITH_SCREEN=\"0\"/>"
                              L"</FONTS>";

} // namespace

void WidgetTest::SetUp()
{
    GUITest::SetUp();
    D3DXFontInterface* fonts = D3DXFontInterface::getInstance();
    fonts->releaseEverything();
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, kFonts, 1));
    fonts->loadFonts(&root);
    fonts->createAllFonts();
}

void WidgetTest::TearDown()
{
    GUIMenuManager::getInstance()->clear();
    GUIMenuManager::getInstance()->connectInput(nullptr, nullptr);
    GUITest::TearDown();
    D3DXFontInterface::getInstance()->releaseEverything();
}

std::wstring widget(const std::wstring& type, const std::wstring& name, int x, int y, int w, int h,
                    const std::wstring& params, const std::wstring& body, const std::wstring& attributes)
{
    return L"<WINDOW TYPE=\"" + type + L"\" NAME=\"" + name + L"\" " + attributes +
           L"><WINDOW_PARAMS><GUIRECT><POS_TL X_OFF=\"" + std::to_wstring(x) + L"\" Y_OFF=\"" + std::to_wstring(y) +
           L"\"/><SIZE X_OFF=\"" + std::to_wstring(w) + L"\" Y_OFF=\"" + std::to_wstring(h) + L"\"/></GUIRECT>" +
           params + L"</WINDOW_PARAMS>" + body + L"</WINDOW>";
}

std::wstring fadeGoals(const std::wstring& options)
{
    return L"<ANIMATION_GOAL NAME=\"AN\" INTERPOLATE_GUIRECTS=\"0\" SPEED=\"2\"><OPTIONS " + options +
           L"/></ANIMATION_GOAL><ANIMATION_GOAL NAME=\"AUS\" INTERPOLATE_GUIRECTS=\"0\" SPEED=\"2\">"
           L"<DRAWOPTIONS ALPHA=\"0\"/><OPTIONS VISIBLE=\"0\" " +
           options + L"/></ANIMATION_GOAL>";
}

} // namespace WidgetTesting
