#pragma once
// The jigsaw puzzle (TYPE "PUZZLE"): a picture cut into pieces that lie scattered over the
// playing field; the player drags each loose piece with the left button onto its outlined
// place. A piece dropped within MAX_DIST screen pixels of its own target snaps there and
// glides into place; anywhere else it stays where it was dropped. Decoys fit nowhere. The
// game is solved when every target is filled.
//
// Positions and sizes are field units (0..1 of the playing field); the definition gives them
// in pixels of the whole picture (SIZE), and the constructor divides. Each piece owns a clone
// of its texture animation. The working list is rebuilt by every start: its order is the
// drawing order, its reverse the picking order. Input counts only while the game is shown and
// not yet solved.
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "foundation/helpers/Interpolation.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <cstdint>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
} // namespace Ulvo

namespace ThreeMatch {

class Puzzle : public Minispiel {
public:
    using Position = Ulvo::Interpolation<D3DXVECTOR2, float>;

    // One piece: a target, a fixed piece, a decoy, or a working copy sharing its target's id.
    class Teil {
    public:
        Teil(Ulvo::XMLNode* node, Puzzle* owner);
        Teil(const Teil& other);
        Teil& operator=(const Teil&) = delete;
        ~Teil();

        // Glides from where it stands to the goal in one second.
        void moveTo(const D3DXVECTOR2& goal);
        // The same glide for any record holding a position interpolation.
        static void moveTo(Position& position, const D3DXVECTOR2& goal);
        void setAt(const D3DXVECTOR2& at);
        void update(double dt);
        // The drawn rectangle in screen pixels.
        Ulvo::FloatRect screenRect() const;
        bool hits(const D3DXVECTOR2& screen, bool alphaTest) const;
        void draw(D3DCOLOR colour) const;

        uint32_t id = 0;
        Position position{D3DXVECTOR2(0.0f, 0.0f)};
        D3DXVECTOR2 size{1.0f, 1.0f};
        Ulvo::Texture2DAnimation* animation = nullptr;
        Puzzle* owner = nullptr;
        bool open = true;
        bool shadow = true;
    };

    explicit Puzzle(Ulvo::XMLNode* node);
    ~Puzzle() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Puzzle(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    void show() override;
    void hide() override;

    // A drag for each loose piece a press can reach, from the top of the heap down, by an
    // opaque point no piece above covers, onto its outline; a decoy moved aside when it covers
    // every piece left.
    void naechsteZuege(MinispielZuege& zuege) const override;

    void onMouseDown(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseUp(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseMove(Ulvo::MouseState& state, const UlvoAchse& axis);
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);

    const std::vector<Teil*>& getZiele() const { return m_ziele; }
    const std::vector<Teil*>& getTeile() const { return m_teile; }
    const std::vector<Teil*>& getSinnlos() const { return m_sinnlos; }
    const Teil* getCarried() const { return m_carried; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    float getMaxDist() const { return m_maxDist; }
    const D3DXVECTOR2& getSize() const { return m_size; }

private:
    void readTeile(Ulvo::XMLNode* node, const wchar_t* name, std::vector<Teil*>& list);
    void clearList(std::vector<Teil*>& list);
    void dropOn(const D3DXVECTOR2& mouse);
    const Teil* zielOf(const Teil& teil) const;
    // A point of the piece where a press picks it while the pieces above it (by the flags,
    // those still lying there) stay: its opaque point nearest its middle.
    bool gripPoint(const std::vector<const Teil*>& stack, size_t k, const std::vector<bool>& gone,
                   D3DXVECTOR2& at) const;
    // Lays the working pieces out over the scatter area, none on top of another where it has room.
    void deal();

    std::vector<Teil*> m_ziele;
    std::vector<Teil*> m_fest;
    std::vector<Teil*> m_sinnlos;
    std::vector<Teil*> m_teile;
    D3DXVECTOR2 m_size{100.0f, 100.0f};
    float m_helpColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float m_maxDist = 25.0f;
    bool m_alphaOnDrop = true;
    bool m_alphaOnPick = true;
    Ulvo::FloatRect m_scatter{0.0f, 0.0f, 1.0f, 1.0f};
    Teil* m_carried = nullptr;
    D3DXVECTOR2 m_grab{0.0f, 0.0f};
    bool m_input = false;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
};

} // namespace ThreeMatch
