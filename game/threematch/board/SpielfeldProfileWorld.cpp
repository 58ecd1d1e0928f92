#include "threematch/board/SpielfeldProfileWorld.h"

#include "foundation/logging/Logger.h"
#include "threematch/board/Spielfeld.h"

namespace ThreeMatch {

void SpielfeldProfileWorld::unbuildAll()
{
    if (m_buildings)
        m_buildings->unbuildAll();
}

void SpielfeldProfileWorld::build(const std::wstring& name)
{
    if (m_buildings)
        m_buildings->build(name);
    else
        Ulvo::mainLogger().log(25, Ulvo::LOG_TYPE_INFO,
                               L"ThreeMatch::SpielfeldProfileWorld: keine Gebaeude fuer " + name + L"\n");
}

bool SpielfeldProfileWorld::hasStoryLevel() const
{
    const int state = m_board.getState();
    return !m_board.isFreePlay() && (state == Spielfeld::Geladen || state == Spielfeld::Laeuft) &&
           !m_board.getFelder().empty();
}

void SpielfeldProfileWorld::saveLevel(Ulvo::XMLNode& activeLevel)
{
    m_board.saveState(activeLevel);
}

bool SpielfeldProfileWorld::restoreLevel(const Ulvo::XMLNode& activeLevel)
{
    return m_board.restoreLevel(activeLevel);
}

} // namespace ThreeMatch
