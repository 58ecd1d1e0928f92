#include "threematch/lightshow/LichterspielManager.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/PerfTimer.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"

namespace ThreeMatch {

LichterspielManager::~LichterspielManager()
{
    clear();
}

void LichterspielManager::clear()
{
    m_running = -1;
    for (Lichterspiel* show : m_shows)
        show->Release();
    m_shows.clear();
}

bool LichterspielManager::load(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!readDataFile(fileName, root, L"ThreeMatch::LichterspielManager::load")) {
        clear();
        return false;
    }
    load(root);
    return true;
}

void LichterspielManager::load(const Ulvo::XMLNode& root)
{
    clear();
    for (const wchar_t* kind : {L"LICHTERSPIEL", L"LICHTERSPIEL_DEU"}) {
        for (Ulvo::XMLNode* node : root.getNodes()) {
            if (node && node->getName() == kind)
                m_shows.push_back(new Lichterspiel(node));
        }
    }
}

void LichterspielManager::start(const std::wstring& name)
{
    m_running = -1;
    for (std::size_t i = 0; i < m_shows.size(); ++i) {
        if (m_shows[i]->getName() != name)
            continue;
        m_shows[i]->restart();
        m_running = static_cast<int>(i);
    }
}

void LichterspielManager::update()
{
    advance(Ulvo::UlvoEngine::getInstance()->getPerfTimer()->getRealFrameTime());
}

void LichterspielManager::advance(double realDt)
{
    Lichterspiel* show = getRunning();
    if (!show)
        return;
    show->update(realDt);
    if (show->isFinished())
        m_running = -1;
}

void LichterspielManager::render(float offsetX, float offsetY, double scale) const
{
    if (const Lichterspiel* show = getRunning())
        show->render(offsetX, offsetY, scale);
}

Lichterspiel* LichterspielManager::find(const std::wstring& name) const
{
    return Ulvo::findNamedObject(m_shows, name);
}

Lichterspiel* LichterspielManager::getRunning() const
{
    return m_running >= 0 && m_running < static_cast<int>(m_shows.size()) ? m_shows[m_running] : nullptr;
}

} // namespace ThreeMatch
