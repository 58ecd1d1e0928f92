#include "threematch/ConsoleLineView.h"

#include <windows.h>

#include "devices/d3d/D3DInterface.h"
#include "foundation/console/ConsoleCommand.h"
#include "engine/UlvoEngine.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/Font.h"

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

} // namespace

ConsoleLineView::ConsoleLineView()
{
    Ulvo::UlvoEngine* engine = Ulvo::UlvoEngine::getInstance();
    engine->onConsoleShown.connect(this, &ConsoleLineView::onShown);
    engine->onConsoleLineChanged.connect(this, &ConsoleLineView::onLineChanged);
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
    // The answer stays up while the next line is typed.
    if (!line->getAnswer().empty())
        m_answer = line->getAnswer();
    m_completionList = line->getCompletionList();
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
    if (!m_completionList.empty()) {
        rect.top += step;
        rect.bottom = rect.top + step;
        fonts->dispatchDrawStyledText(fontName(), m_completionList, &rect, 0, listStyle());
    }
}

} // namespace ThreeMatch
