#pragma once
// The eight power-ups of a board level. Each is bound to one stone type: clearing stones of
// that type charges it (the charge lives in the stone type, not here); once full, the player
// picks the bonus, which empties the charge, and fires it at once or at a board cell.
//
// A bonus only refers to its stone class, its stone type and its texture; the stone classes
// and the texture manager own them. While picked it also refers to the running board, until
// reset. apply works on the board's cells directly: bursting a cell is the cell's own
// startExplosion, which the board's update finishes. Random numbers are the game's rand(), so
// a seed replays a bonus exactly.
#include "foundation/sigslot.h"

#include "threematch/board/Spielfeld.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class MyGlobals;
class Rohstoff;
class Rohstoffklasse;
class Bonus : public sigslot::has_slots<> {
public:
    // node: the bonus's node of the bonus file; soundName: fixed by the kind.
    Bonus(const Ulvo::XMLNode& node, MyGlobals& globals, const std::wstring& soundName);
    ~Bonus() override = default;
    Bonus(const Bonus&) = delete;
    Bonus& operator=(const Bonus&) = delete;

    // Emitted with the bonus when its stone type's charges become full.
    sigslot::signal1<Bonus*> ready;

    // Class and stone known, and both unlocked.
    bool isAvailable() const;
    // The stone type's charge ratio 0..1; 0 without class or stone.
    double getCharge() const;
    bool isCharged() const;
    bool needsFeld() const { return m_needsFeld; }
    int getSize() const { return m_size; }
    Ulvo::Texture2D* getTexture() const { return m_texture; }
    Rohstoffklasse* getKlasse() const { return m_klasse; }
    Rohstoff* getRohstoff() const { return m_rohstoff; }
    const std::wstring& getSoundName() const { return m_soundName; }
    const std::wstring& getTemplateName() const { return m_templateName; }

    // Picking the bonus: keeps the board and uses up the charge.
    void setSpielfeld(Spielfeld* board);
    Spielfeld* getSpielfeld() const { return m_board; }
    // Fires the bonus at cell (kinds that take no cell ignore it); true when it took effect,
    // false when the cell does not qualify or no board is set.
    virtual bool apply(Feld* cell) = 0;
    // Back to idle: forgets the board.
    void reset() { m_board = nullptr; }

    // Slot on the stone type's full signal.
    void onRohstoff(Rohstoff& stone);

    // Playable, holding a stone that is neither swapping nor bursting.
    static bool qualifies(const Feld* cell);

protected:
    // The cell's explosion after delay, carrying this bonus's sound.
    void burst(Feld& cell, double delay) const;
    // The strike animation over a cell: the template's strip in the rectangle (left, top,
    // right, bottom) relative to the cell's position, after startDelay.
    void strike(const Feld& cell, int left, int top, int right, int bottom, double startDelay) const;
    // strike over the cell's own square.
    void strikeCell(const Feld& cell, double startDelay) const { strike(cell, 0, 0, 100, 100, startDelay); }
    double baseDelay() const;
    double step() const;
    // Visits every cell within the disk of radius SIZE around (cx, cy) in the bomb's order
    // (columns outer, rows inner), each coordinate clamped into the board, with its Manhattan
    // distance from the centre. Clamping brings edge cells up more than once.
    template <class Visit> void forDisk(int cx, int cy, Visit visit) const;
    // SIZE within what a walk can bear.
    int diskRadius() const;
    // The cell is on the board and its disk holds a cell that qualifies; (cx, cy) is its place.
    bool diskQualifies(Feld* cell, int& cx, int& cy) const;

    MyGlobals& m_globals;
    Spielfeld* m_board = nullptr;

private:
    Ulvo::Texture2D* m_texture = nullptr; // the texture manager keeps it
    Rohstoffklasse* m_klasse = nullptr;
    Rohstoff* m_rohstoff = nullptr;
    bool m_needsFeld = true;
    int m_size = 0;
    std::wstring m_templateName;
    std::wstring m_soundName;
};

// The hammer bursts the picked cell.
class Hammer_Bonus : public Bonus {
public:
    Hammer_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
};

// Lightning strikes ANZ_BLITZE random cells.
class Blitz_Bonus : public Bonus {
public:
    Blitz_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
    int getStrikes() const { return m_strikes; }

private:
    int m_strikes = 20;
};

// The bomb bursts the disk of SIZE around the cell, the outer cells later.
class Bombe_Bonus : public Bonus {
public:
    Bombe_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
};

// Extra time for the level, after the globals' bonus-time delay.
class Time_Bonus : public Bonus {
public:
    Time_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
    double getTime() const { return m_time; }

private:
    double m_time = 0.0;
};

// Bursts the cell and adds PUNKTE to the level points of its stone's class.
class Punkte_Bonus : public Bonus {
public:
    Punkte_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
    int getPunkte() const { return m_punkte; }

private:
    int m_punkte = 0;
};

// New random stones on the disk of SIZE around the cell.
class Zufall_Bonus : public Bonus {
public:
    Zufall_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
};

// Bursts the cell's row both ways up to the first unplayable cell.
class Zeile_entfernen_Bonus : public Bonus {
public:
    Zeile_entfernen_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
};

// Bursts every stone of the cell's stone type, one after another in random order.
class Rohstoff_entfernen_Bonus : public Bonus {
public:
    Rohstoff_entfernen_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals);
    bool apply(Feld* cell) override;
};

template <class Visit> void Bonus::forDisk(int cx, int cy, Visit visit) const
{
    int width = 0, height = 0;
    m_board->getSize(width, height);
    if (width <= 0 || height <= 0)
        return;
    const int radius = diskRadius();
    const float limit = static_cast<float>(radius);
    for (int i = -radius; i <= radius; ++i) {
        for (int j = -radius; j <= radius; ++j) {
            if (std::sqrt(static_cast<float>(i * i + j * j)) > limit)
                continue;
            const int x = std::clamp(cx + i, 0, width - 1), y = std::clamp(cy + j, 0, height - 1);
            if (Feld* cell = m_board->getFeld(x, y))
                visit(*cell, std::abs(i) + std::abs(j));
        }
    }
}

} // namespace ThreeMatch
