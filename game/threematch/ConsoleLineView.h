#pragma once
// Shows the engine's in-game console while it is open: the line being typed
// (with its cursor), the answer of the last command and the completion list,
// in the console's bitmap font at the top of the screen.
#include "foundation/sigslot.h"

#include <string>

namespace Ulvo {
class TypedConsoleCommand;
}

namespace ThreeMatch {

class ConsoleLineView : public sigslot::has_slots<> {
public:
    // Follows the engine's console signals from now on.
    ConsoleLineView();
    ~ConsoleLineView() override = default;
    ConsoleLineView(const ConsoleLineView&) = delete;
    ConsoleLineView& operator=(const ConsoleLineView&) = delete;

    // Draws through the font manager when the console is shown; call it
    // between the sprite's Begin and End.
    void draw();

    bool isShown() const { return m_shown; }
    // What draw writes: the typed text with "> " before it and "_" at the cursor.
    const std::wstring& getLineText() const { return m_lineText; }
    const std::wstring& getAnswer() const { return m_answer; }
    const std::wstring& getCompletionList() const { return m_completionList; }

private:
    void onShown(const bool& shown);
    void onLineChanged(Ulvo::TypedConsoleCommand* line);

    bool m_shown = false;
    // Copies, so lines the engine deletes leave nothing behind.
    std::wstring m_lineText;
    std::wstring m_answer;
    std::wstring m_completionList;
};

} // namespace ThreeMatch
