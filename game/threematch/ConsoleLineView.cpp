#include "threematch/ConsoleLineView.h"

#include <windows.h>

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/KeyState.h"
#include "foundation/console/ConsoleCommand.h"
#include "engine/UlvoEngine.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/Font.h"

#include <algorithm>

namespace ThreeMatch {

namespace {

// Kept as strings so that drawing every frame builds none.
const std::wstring& fontName()
{
    static const std::wstring name = L"KONSOLE";
    return name;
}
const std::wstring& lineStyle()
{
    static const std::wstring name = L"KONSOLE";
    return name;
}
const std::wstring& answerStyle()
{
    static const std::wstring name = L"KONSOLE_ANTWORT";
    return name;
}
const std::wstring& listStyle()
{
    static const std::wstring name = L"KONSOLE_LISTE";
    return name;
}
constexpr LONG kMargin = 8;
constexpr unsigned char kKeyTab = 0x0F;

} // namespace

ConsoleLineView::ConsoleLineView()
{
    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    engine->onConsoleShown.connect(this, &ConsoleLineView::onShown);
    engine->onConsoleLineChanged.connect(this, &ConsoleLineView::onLineChanged);
    // Connected after the engine's console, so the line is completed when this runs.
    Ulvo::DirectInputInterface::getInstance()->getKeyState().consoleText.connect(this, &ConsoleLineView::onTyped);
    m_shown = engine->isConsoleVisible();
    m_lineText = L"> _";
    if (Ulvo::TypedConsoleCommand* line = engine->getCurrentConsoleLine())
        onLineChanged(line);
}

void ConsoleLineView::onShown(const bool& shown)
{
    m_shown = shown;
}

void ConsoleLineView::onLineChanged(Ulvo::TypedConsoleCommand* line)
{
    if (!line)
        return;
    const std::wstring& text = line->getLine();
    m_lineText = L"> ";
    const int cursor = line->getCursor();
    if (cursor >= 0 && static_cast<std::size_t>(cursor) <= text.size()) {
        m_lineText.append(text, 0, static_cast<std::size_t>(cursor));
        m_lineText += L'_';
        m_lineText.append(text, static_cast<std::size_t>(cursor), std::wstring::npos);
    } else {
        m_lineText += text;
    }
    // A line that ran (its cursor gone) brings its answer, an empty one too, which takes down
    // the last; the answer stays up while the next line is typed.
    if (cursor < 0 || !line->getAnswer().empty())
        m_answer = line->getAnswer();
    if (line->getCompletionList() != m_completionList) {
        m_completionList = line->getCompletionList();
        m_listLines.clear();
        for (std::size_t start = 0; start < m_completionList.size();) {
            const std::size_t end = std::min(m_completionList.find(L'\n', start), m_completionList.size());
            m_listLines.emplace_back(m_completionList, start, end - start);
            start = end + 1;
        }
        m_listFirst = 0;
        m_tabbedList.clear();
    }
}

void ConsoleLineView::onTyped(Ulvo::KeyState&, const Ulvo::TypedKey& typed)
{
    if (!m_shown || typed.key != kKeyTab || m_completionList.empty())
        return;
    if (m_tabbedList == m_completionList)
        m_turnPage = true;
    else
        m_tabbedList = m_completionList;
}

void ConsoleLineView::draw()
{
    if (!m_shown)
        return;
    Ulvo::D3DXFontInterface* fonts = Ulvo::D3DXFontInterface::getInstance();
    Ulvo::Font* font = fonts->findFont(fontName());
    if (!font)
        return;
    Ulvo::D3DInterface* d3d = Ulvo::D3DInterface::getInstance();
    const LONG width = static_cast<LONG>(d3d->getWidth());
    float lineHeight = static_cast<float>(font->getHeight() < 0 ? -font->getHeight() : font->getHeight());
    if (font->scalesWithScreen())
        lineHeight = lineHeight * static_cast<float>(d3d->getHeight()) / 768.0f;
    const LONG step = static_cast<LONG>(lineHeight) + 2;

    RECT rect{kMargin, kMargin, width - kMargin, kMargin + step};
    fonts->dispatchDrawStyledText(fontName(), m_lineText, &rect, 0, lineStyle());
    if (!m_answer.empty()) {
        rect.top += step;
        rect.bottom += step;
        fonts->dispatchDrawStyledText(fontName(), m_answer, &rect, 0, answerStyle());
    }
    if (m_listLines.empty())
        return;
    // As many lines as fit below, one kept for the page note when they do not all fit.
    const LONG height = static_cast<LONG>(d3d->getHeight());
    const auto fitting = static_cast<std::size_t>(std::max<LONG>((height - kMargin - rect.bottom) / step, 2));
    const std::size_t pageSize = m_listLines.size() <= fitting ? fitting : fitting - 1;
    if (m_turnPage) {
        m_turnPage = false;
        m_listFirst += pageSize;
    }
    if (pageSize != m_pageSize) {
        m_pageSize = pageSize;
        m_listFirst = m_listFirst / pageSize * pageSize;
    }
    if (m_listFirst >= m_listLines.size())
        m_listFirst = 0;
    m_listShown = std::min(pageSize, m_listLines.size() - m_listFirst);
    for (std::size_t i = 0; i < m_listShown; ++i) {
        rect.top += step;
        rect.bottom = rect.top + step;
        fonts->dispatchDrawStyledText(fontName(), m_listLines[m_listFirst + i], &rect, 0, listStyle());
    }
    if (m_listLines.size() > pageSize) {
        const std::size_t pages = (m_listLines.size() + pageSize - 1) / pageSize;
        const std::size_t page = m_listFirst / pageSize + 1;
        if (m_notePage != page || m_notePages != pages) {
            m_notePage = page;
            m_notePages = pages;
            m_pageNote = L"(" + std::to_wstring(page) + L"/" + std::to_wstring(pages) + L", Tab: weiter)";
        }
        rect.top += step;
        rect.bottom = rect.top + step;
        fonts->dispatchDrawStyledText(fontName(), m_pageNote, &rect, 0, listStyle());
    }
}

} // namespace ThreeMatch
