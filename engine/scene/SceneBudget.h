#pragma once
// What the loaded scenes together may hold: objects, copies, and the bytes their grids, meshes and
// pictures take. Every object a scene file makes pays from one budget for the whole process, so a
// second file gets only what the first left; what an object paid goes back when it leaves the
// object manager. A hostile file (dozens of terrains at their largest, thousands of arrangements
// of thousands of copies) is cut where the budget ends; what was left out is said in one log line
// when the file is done. A termination signal ends the
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
        // Objects the scene made, plain ones and copies alike, however deep they are nested:
        // every one is updated and looked at for drawing every frame, which their bytes do not
        // bound (hundreds of thousands of small copies fit in memory, but every frame visits them).
        uint64_t objects = 0;
        // Each kind counts what it really allocates for the object: its vertices, indices and
        // other arrays on the processor, and every buffer and texture as deviceBytes says; every
        // object and copy what it holds itself (BaseObjekt::heldBytes), not what copies share.
        uint64_t bytes = 0;
    };
    // The cap, and what it means: the objects of all loaded scenes together hold at most a
    // gigabyte beyond what the game holds without them (the peak while a scene loads included),
    // and a loading at the cap ends within seconds. A gigabyte is two grid terrains of the
    // largest size, or a clipmap of the largest side with eight levels, or some 350,000 copies
    // of a plain object (about 3 KB each), of which the object ceiling lets in 65,536.
    static constexpr Cost kSceneLimit{65536, uint64_t(1) << 30};

    // What a buffer or texture of `bytes` costs: the render layer keeps its own copy (what a lock
    // reads and writes) beside the driver's, and a software driver keeps its copy in this process.
    static constexpr uint64_t deviceBytes(uint64_t bytes) { return 2 * bytes; }

    // A scene file starts: nothing refused yet; what earlier files hold stays paid.
    void begin();
    // The file is done: the line for what was refused, then everything is let in again.
    void end();
    // Takes the cost for `holder` (the object that keeps what it buys) when all of it fits what
    // is left; false (counted under `what`) when not.
    bool charge(const Cost& cost, const std::wstring& what, const void* holder);
    // Of `reserved` bytes paid for `holder` before it was made, `actual` are kept: the rest goes
    // back, or what is more is charged; false (counted under `what`) when that does not fit.
    bool settle(uint64_t reserved, uint64_t actual, const std::wstring& what, const void* holder);
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
