#pragma once
// What the loaded scenes together may hold: objects, copies, vertices and texels. Every object a
// scene file makes pays from one budget for the whole process, so a second file gets only what
// the first left; what an object paid goes back when it leaves the object manager. A hostile
// file (dozens of terrains at their largest, thousands of arrangements of thousands of copies)
// is cut where the budget ends, so loading stays within about a gigabyte and a few seconds; what
// was left out is said in one log line when the file is done. A termination signal ends the
// budget at once, so the game serves it within a second also while a scene loads. Outside a
// scene file's loading everything is let in and nothing is counted.
#include <cstdint>
#include <string>
#include <unordered_map>

namespace Ulvo {

class NamedObject;

class SceneBudget {
public:
    struct Cost {
        uint64_t objects = 0;
        uint64_t instances = 0;
        uint64_t vertices = 0;
        // Counted in texels of four bytes: a format four times as wide counts each texel four times.
        uint64_t texels = 0;
    };
    // Seven grid terrains of the largest size, a clipmap of the largest side with nine levels,
    // sixty-five thousand copies: what a gigabyte holds and this machine builds within ten seconds.
    static constexpr Cost kSceneLimit{10000, 65536, 8u << 20, 160u << 20};

    // A scene file starts: nothing refused yet; what earlier files hold stays paid.
    void begin();
    // The file is done: the line for what was refused, then everything is let in again.
    void end();
    // Takes the cost for `holder` (the object that keeps what it buys) when all of it fits what
    // is left; false (counted under `what`) when not.
    bool charge(const Cost& cost, const std::wstring& what, const void* holder);
    // What `holder` paid goes back (it left the scene, or was never kept).
    void release(const void* holder);
    // An object is always its named part, whichever class asks, so its deletion finds its charges.
    bool charge(const Cost& cost, const std::wstring& what, const NamedObject* holder)
    {
        return charge(cost, what, static_cast<const void*>(holder));
    }
    void release(const NamedObject* holder) { release(static_cast<const void*>(holder)); }
    // What was paid for `from` (a place holder while the object is made) is now held by `to`.
    void transfer(const void* from, const void* to);
    // True once a termination signal arrived: the loading stops before `what` (counted as left
    // out while a scene file loads), so the game can end.
    bool stopping(const std::wstring& what);
    // Whether a termination signal arrived: long work (a terrain's levels, its smoothing passes)
    // stops between two steps.
    static bool terminationPending();

    // What all loaded scenes may use from now on.
    void setLimit(const Cost& limit) { m_limit = limit; }

    bool active() const { return m_active; }
    const Cost& used() const { return m_used; }
    uint32_t refused() const { return m_refused; }

private:
    bool m_active = false;
    bool m_ended = false;
    Cost m_limit = kSceneLimit;
    Cost m_used{};
    std::unordered_map<const void*, Cost> m_held;
    uint32_t m_refused = 0;
    std::wstring m_firstRefused;
};

} // namespace Ulvo
