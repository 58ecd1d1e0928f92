#pragma once
// Shows the engine's in-game console while it is open: the line being typed
// (with its cursor), the answer of the last command and the completion list,
// in the console's bitmap font at the top of the screen. A list longer than
// the screen shows a page at a time; Tab again on the same list turns the page.
#include "foundation/sigslot.h"

#include <string>

#include <vector>

namespace Ulvo {
class KeyState;
class TypedConsoleCommand;
struct TypedKey;
} // namespace Ulvo

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
    // The list lines the last draw showed: the first and how many.
    std::size_t getListFirst() const { return m_listFirst; }
    std::size_t getListShown() const { return m_listShown; }

private:
    void onShown(const bool& shown);
    void onLineChanged(Ulvo::TypedConsoleCommand* line);
    // After the engine handled the key: Tab on the list it already shows turns its page.
    void onTyped(Ulvo::KeyState& keys, const Ulvo::TypedKey& typed);

    bool m_shown = false;
    // Copies, so lines the engine deletes leave nothing behind.
    std::wstring m_lineText;
    std::wstring m_answer;
    std::wstring m_completionList;
    std::vector<std::wstring> m_listLines;
    // The list as the last Tab left it, to tell a Tab again on it.
    std::wstring m_tabbedList;
    bool m_turnPage = false;
    std::size_t m_listFirst = 0;
    std::size_t m_listShown = 0;
    std::size_t m_pageSize = 0;
    // "(2/5, Tab: weiter)" below a page; made when the page changes, not every frame.
    std::wstring m_pageNote;
    std::size_t m_notePage = 0;
    std::size_t m_notePages = 0;
};

} // namespace ThreeMatch
