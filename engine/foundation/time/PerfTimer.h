#pragma once
// Game clock: real time between update steps, game time derived from it (user
// time factor, 32 pause slots), and count-downs running on game time.
#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <vector>

namespace Ulvo {

// A count-down on game time. The count-down itself is the signal emitted when it
// runs out; the clock deletes it right after that emission, so its slots must not
// delete it (removeCountDown on it is harmless then: it is no longer listed).
class CountDown : public sigslot::signal1<CountDown&> {
public:
    explicit CountDown(double remaining = 0.0, double speedFactor = 1.0);
    CountDown(const CountDown&) = delete;
    CountDown& operator=(const CountDown&) = delete;

    // Emitted after each update that advanced it (also the one it runs out in,
    // before the run-out signal).
    sigslot::signal1<CountDown&> onStep;
    // Emitted when the clock removes it before it ran out (removeCountDown).
    sigslot::signal1<CountDown&> onCancelled;

    bool isPaused() const { return m_paused; }
    void setPaused(bool paused) { m_paused = paused; }
    double getSpeedFactor() const { return m_speedFactor; }
    void setSpeedFactor(double factor) { m_speedFactor = factor; }
    double getRemaining() const { return m_remaining; }
    void setRemaining(double seconds) { m_remaining = seconds; }

private:
    friend class PerfTimer;

    bool m_paused = false;
    double m_speedFactor;
    double m_remaining; // seconds
};

class PerfTimer : public ConsoleCommandReceiver {
public:
    // highResolution: use the performance counter when it can be read, else the
    // tick count in milliseconds. The clock runs from here.
    explicit PerfTimer(bool highResolution);
    // Deletes the remaining count-downs without emitting anything.
    ~PerfTimer() override;

    // One step: measure the real frame time, derive the game frame time, emit the
    // frame times and advance the count-downs.
    void update();

    const double& getFrameTime() const { return m_gameFrameTime; }
    const double& getRealFrameTime() const { return m_realFrameTime; }
    const double& getGameTime() const { return m_gameTime; }
    const double& getRealTime() const { return m_realTime; }
    double getTickLength() const { return m_tickLength; }
    bool isHighResolution() const { return m_highResolution; }

    double getUserTimeFactor() const { return m_userTimeFactor; }
    void setUserTimeFactor(double factor) { m_userTimeFactor = factor; }

    // Slot numbers count modulo 32.
    bool isPaused(uint8_t slot) const;
    void setPause(uint8_t slot, bool paused);
    uint32_t getPauseSlots() const { return m_pauseSlots; }

    // Takes ownership; false (and nothing kept) for null or one already listed.
    bool addCountDown(CountDown* countDown);
    // Emits its onCancelled and deletes it; false when it is not listed.
    bool removeCountDown(CountDown* countDown);
    // Listed count-downs; during an update, removed ones show as null.
    const std::vector<CountDown*>& getCountDowns() const { return m_countDowns; }

    sigslot::signal1<double> onRealFrameTime;
    sigslot::signal1<double> onGameFrameTime;
    // The clock went from running to paused (true) or back (false).
    sigslot::signal1<bool> onPausedChanged;
    // A slot changed; the bool is true when no slot is set any more.
    sigslot::signal2<uint8_t, bool> onPauseSlotChanged;

private:
    int64_t readCounter() const;
    // The TIME_ commands.
    void consolePause(TypedConsoleCommand& line);
    void consoleUserTimeFactor(TypedConsoleCommand& line);

    bool m_highResolution = false;
    double m_gameTime = 0.0;
    double m_realTime = 0.0;
    double m_gameFrameTime = 0.0;
    double m_realFrameTime = 0.0;
    double m_tickLength = 0.001;
    double m_userTimeFactor = 1.0;
    uint32_t m_pauseSlots = 0;
    int64_t m_lastReading = 0;
    int64_t m_currentReading = 0;
    std::vector<CountDown*> m_countDowns; // owned
    int m_updateDepth = 0;                // removals during an update leave a null entry
};

} // namespace Ulvo
