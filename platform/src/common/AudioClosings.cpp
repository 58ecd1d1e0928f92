#include "common/AudioClosings.h"

#include <mutex>
#include <thread>

namespace PlatformInternal {

namespace {

class Closings {
public:
    ~Closings() { wait(); }
    void begin(std::function<void()> close)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable())
            m_thread.join();
        m_thread = std::thread(std::move(close));
    }
    void wait()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::mutex m_lock;
    std::thread m_thread;
};

Closings& closings()
{
    static Closings c;
    return c;
}

} // namespace

void closeAudioBeside(std::function<void()> close)
{
    closings().begin(std::move(close));
}

void waitForAudioClosings()
{
    closings().wait();
}

} // namespace PlatformInternal
