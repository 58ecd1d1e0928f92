#pragma once
// The widget and menu tests' fixture: the GUI test fixture with a font set of
// its own (DejaVu, not scaled with the screen), and the description snippets the
// tests build their pages from.
#include "GUITestSupport.h"

#include <string>

namespace WidgetTesting {

// Fonts "default" (16 px) and "gross" (24 px); styles "default" (white), "gelb"
// (yellow) and "grau" (grey).
class WidgetTest : public GUITesting::GUITest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A WINDOW node: TYPE, NAME, placed at (x, y) with w x h pixels; params goes
// into WINDOW_PARAMS, body after it (widget parameters, child windows).
std::wstring widget(const std::wstring& type, const std::wstring& name, int x, int y, int w, int h,
                    const std::wstring& params = L"", const std::wstring& body = L"",
                    const std::wstring& attributes = L"");
// Goals "AN" (shown) and "AUS" (hidden, invisible) that keep the window's rect;
// options are further OPTIONS attributes of both.
std::wstring fadeGoals(const std::wstring& options = L"");

} // namespace WidgetTesting
