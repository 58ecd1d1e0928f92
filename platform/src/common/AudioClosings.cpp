#include "common/AudioClosings.h"

#include <mutex>
#include <thread>
#include <vector>

namespace PlatformInternal {

namespace {

class Closings {
public:
    ~Closings()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable())
            m_thread.join();
    }
    void begin(std::function<void()> close, std::function<void()> then)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_thread.joinable())
            m_thread.join();
        if (then)
            m_then.push_back(std::move(then));
        m_thread = std::thread(std::move(close));
    }
    void wait()
    {
        std::vector<std::function<void()>> then;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_thread.joinable())
                m_thread.join();
            then.swap(m_then);
        }
        for (const std::function<void()>& step : then)
            step();
    }

private:
    std::mutex m_lock;
    std::thread m_thread;
    std::vector<std::function<void()>> m_then;
};

Closings& closings()
{
    static Closings c;
    return c;
}

} // namespace

void closeAudioBeside(std::function<void()> close, std::function<void()> then)
{
    closings().begin(std::move(close), std::move(then));
}

void waitForAudioClosings()
{
    closings().wait();
}

} // namespace PlatformInternal
