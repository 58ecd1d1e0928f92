#pragma once
// The picture maze (TYPE "MAZE"): the rooms of a maze are the cells of a grid that a picture
// marks as present (alpha not 0; the first green cell is the start, blue cells are goals).
// Every play carves a new maze between them: a random spanning tree, then KREUZUNGEN extra
// passages. The player builds a path from the start by clicking rooms open to the path's end
// (clicking the end again takes it back, clicking an earlier path room cuts back to it) or by
// clicking in a direction, which walks through open passages. The game is solved when the path
// reaches a goal; with FAST only along a shortest path, and the path rooms show their steps.
//
// Positions are fractions of the playing field; the room in column x and row y has its top-left
// corner at (x / columns, y / rows). A definition without rooms, without a start room or with
// an empty picture is logged and can never be solved; extra passages beyond those the tree left
// closed are capped.
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/LineDrawer.h"
#include "minigames/frame/Minispiel.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Maze : public Minispiel {
public:
    struct Menge;

    struct Raum {
        struct Edge {
            Raum* neighbour = nullptr;
            bool open = false;
        };
        static constexpr uint32_t kUnreached = std::numeric_limits<uint32_t>::max();

        explicit Raum(Ulvo::XMLNode* node);
        Raum(const Raum& other);
        Raum& operator=(const Raum&) = delete;
        ~Raum();

        // The index of the edge that leads back from the neighbour behind edge i.
        int back(int i) const { return (edgeCount / 2 + i) % edgeCount; }
        // An open edge leads to the other room.
        bool openTo(const Raum* other) const;
        // Edges with a neighbour that are still closed.
        int closedEdges() const;

        std::wstring name;
        D3DXVECTOR2 position{0.0f, 0.0f};
        int edgeCount = 3;
        std::vector<Edge> edges;
        float delta = 0.0f;
        float length = 0.0f;
        D3DXCOLOR markColour{1.0f, 0.0f, 0.0f, 1.0f};
        D3DXCOLOR startColour{0.0f, 1.0f, 0.0f, 1.0f};
        D3DXCOLOR zielColour{0.0f, 0.0f, 1.0f, 1.0f};
        Ulvo::Texture2DAnimation* background = nullptr;
        Ulvo::Texture2DAnimation* startAnimation = nullptr;
        Ulvo::Texture2DAnimation* zielAnimation = nullptr;
        Ulvo::Texture2DAnimation* markAnimation = nullptr;
        std::vector<Ulvo::Texture2DAnimation*> edgeAnimations;
        bool marked = false;
        bool isStart = false;
        bool isGoal = false;
        uint32_t distance = kUnreached;
        Menge* menge = nullptr;
    };

    struct Menge {
        std::vector<Raum*> members;
        bool closed = false;
    };

    explicit Maze(Ulvo::XMLNode* node);
    ~Maze() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Maze(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    void show() override;
    void hide() override;

    void onMousePressed(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseReleased(Ulvo::MouseState&, const UlvoMouseButton&) {}
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);

    // A room's drawn rectangle and middle on the screen.
    Ulvo::FloatRect screenRect(const Raum& raum) const;
    D3DXVECTOR2 screenCentre(const Raum& raum) const;
    // The rooms of a shortest way from the start to the nearest goal, both left out; empty when
    // the goal is next to the start or out of reach.
    std::vector<const Raum*> shortestWay() const;
    // Clicks on the rooms of a shortest way (the path built so far taken back first); a goal
    // next to the start takes one click on it.
    void naechsteZuege(MinispielZuege& zuege) const override;
    // The room in column x, row y; null when the picture has none there.
    Raum* roomAt(int x, int y) const;

    const std::vector<Raum*>& getRooms() const { return m_rooms; }
    const std::vector<Raum*>& getPath() const { return m_path; }
    const Raum* getStart() const { return m_start; }
    const Raum* getGoal() const { return m_goal; }
    int getColumns() const { return m_columns; }
    int getRows() const { return m_rows; }
    bool isFast() const { return m_fast; }
    // Extra passages opened by the last start (at most those the tree left closed).
    int getOpenedExtras() const { return m_openedExtras; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }

private:
    void buildRooms(const std::wstring& texture);
    void deleteSets();
    void spanningTree();
    void extraPassages();
    void measureDistances();
    void open(Raum& raum, int edge);
    Raum* current() const;
    void clickRoom(Raum& raum);
    void walk(const D3DXVECTOR2& field);
    void winTest();

    Raum* m_vorlage = nullptr;
    std::vector<Raum*> m_rooms;
    Raum* m_start = nullptr;
    Raum* m_goal = nullptr;
    std::vector<Menge*> m_sets;
    std::vector<Raum*> m_path;
    int m_columns = 2;
    int m_rows = 2;
    int m_drawMode = -1;
    int m_kreuzungen = 0;
    int m_openedExtras = 0;
    bool m_fast = false;
    bool m_multipleGoals = false;
    Ulvo::Texture2DAnimation* m_background = nullptr;
    LineDrawer m_lines;
    std::wstring m_fontName = L"default";
    std::wstring m_fontStyle = L"default";
    bool m_input = false;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
};

} // namespace ThreeMatch
