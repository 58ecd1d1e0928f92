#pragma once
// Network sockets. Stand-in: the class grows with the network code; nothing
// starts Windows Sockets yet, so its teardown at exit has nothing to do.
namespace Ulvo {

class SocketSubsystem {
public:
    static SocketSubsystem* getInstance();
    ~SocketSubsystem();
    SocketSubsystem(const SocketSubsystem&) = delete;
    SocketSubsystem& operator=(const SocketSubsystem&) = delete;

    bool isStarted() const { return m_started; }

private:
    SocketSubsystem() = default;

    bool m_started = false; // set once Windows Sockets runs
};

} // namespace Ulvo
