#include "foundation/time/PerfTimer.h"

#include <windows.h>

#include <algorithm>
#include <sstream>

namespace Ulvo {

CountDown::CountDown(double remaining, double speedFactor) : m_speedFactor(speedFactor), m_remaining(remaining) {}

PerfTimer::PerfTimer(bool highResolution)
{
    static const ConsoleCommandEntry<PerfTimer> kCommands[] = {
        {L"TIME_Pause", 2, L"TIME_Pause 0/1 Pauseslot; pausiert oder aktiviert den Pauseslot",
         &PerfTimer::consolePause},
        {L"TIME_UserTimeFaktor", 1,
         L"TIME_UserTimeFaktor faktor; multipliziert die echtzeit mit dem faktor um die spielzeit zu berechnen",
         &PerfTimer::consoleUserTimeFactor},
    };
    registerCommands(kCommands);

    LARGE_INTEGER frequency;
    if (highResolution && QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
        m_highResolution = true;
        m_tickLength = 1.0 / static_cast<double>(frequency.QuadPart);
    } else {
        m_highResolution = false;
        m_tickLength = 0.001;
    }
    m_lastReading = readCounter();
    m_currentReading = m_lastReading;
}

PerfTimer::~PerfTimer()
{
    for (CountDown* countDown : m_countDowns)
        delete countDown;
    m_countDowns.clear();
}

int64_t PerfTimer::readCounter() const
{
    if (m_highResolution) {
        LARGE_INTEGER counter;
        if (QueryPerformanceCounter(&counter))
            return counter.QuadPart;
        return m_lastReading;
    }
    return static_cast<int64_t>(GetTickCount());
}

void PerfTimer::consolePause(TypedConsoleCommand& line)
{
    setPause(static_cast<uint8_t>(line.getParamInt(1)), line.getParamBool(0));
    line.setAnswer(std::wstring());
}

void PerfTimer::consoleUserTimeFactor(TypedConsoleCommand& line)
{
    m_userTimeFactor = line.getParamDouble(0);
    std::wostringstream answer;
    answer << L"Zeitfaktor: " << m_userTimeFactor;
    line.setAnswer(answer.str());
}

void PerfTimer::update()
{
    m_currentReading = readCounter();
    int64_t ticks = m_currentReading - m_lastReading;
    // The millisecond tick count is 32 bits wide and wraps after 49.7 days.
    if (!m_highResolution)
        ticks = static_cast<int64_t>(static_cast<uint32_t>(ticks));
    m_realFrameTime = static_cast<double>(ticks) * m_tickLength;

    if (m_pauseSlots == 0) {
        m_gameFrameTime = m_userTimeFactor * m_realFrameTime;
        m_gameTime += m_gameFrameTime;
    } else {
        m_gameFrameTime = 0.0;
    }
    m_realTime += m_realFrameTime;
    m_lastReading = m_currentReading;

    onGameFrameTime.emit(m_gameFrameTime);
    onRealFrameTime.emit(m_realFrameTime);

    // Slots may add or remove count-downs meanwhile: removals only null their
    // entry until the pass is over, additions join this pass at the end.
    ++m_updateDepth;
    for (std::size_t i = 0; i < m_countDowns.size(); ++i) {
        CountDown* countDown = m_countDowns[i];
        if (!countDown || countDown->m_paused)
            continue;
        countDown->m_remaining -= countDown->m_speedFactor * m_gameFrameTime;
        countDown->onStep.emit(*countDown);
        if (!m_countDowns[i])
            continue; // removed (and deleted) by a slot
        if (countDown->m_remaining <= 0.0) {
            m_countDowns[i] = nullptr;
            countDown->emit(*countDown);
            delete countDown;
        }
    }
    if (--m_updateDepth == 0)
        m_countDowns.erase(std::remove(m_countDowns.begin(), m_countDowns.end(), nullptr), m_countDowns.end());
}

bool PerfTimer::isPaused(uint8_t slot) const
{
    return (m_pauseSlots & (1u << (slot % 32))) != 0;
}

void PerfTimer::setPause(uint8_t slot, bool paused)
{
    const uint32_t bit = 1u << (slot % 32);
    const uint32_t oldSlots = m_pauseSlots;
    m_pauseSlots = paused ? (oldSlots | bit) : (oldSlots & ~bit);
    if ((oldSlots != 0) != (m_pauseSlots != 0)) {
        onPauseSlotChanged.emit(slot, m_pauseSlots == 0);
        onPausedChanged.emit(m_pauseSlots != 0);
    } else if (oldSlots != m_pauseSlots) {
        onPauseSlotChanged.emit(slot, m_pauseSlots == 0);
    }
}

bool PerfTimer::addCountDown(CountDown* countDown)
{
    if (!countDown || std::find(m_countDowns.begin(), m_countDowns.end(), countDown) != m_countDowns.end())
        return false;
    m_countDowns.push_back(countDown);
    return true;
}

bool PerfTimer::removeCountDown(CountDown* countDown)
{
    if (!countDown)
        return false;
    auto found = std::find(m_countDowns.begin(), m_countDowns.end(), countDown);
    if (found == m_countDowns.end())
        return false;
    if (m_updateDepth > 0)
        *found = nullptr;
    else
        m_countDowns.erase(found);
    countDown->onCancelled.emit(*countDown);
    delete countDown;
    return true;
}

} // namespace Ulvo
