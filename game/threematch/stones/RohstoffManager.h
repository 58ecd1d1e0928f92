#pragma once
// The stone classes of "data\stones\stones.roh", in file order, with the two special ones:
// the wrath class (ZORNKLASSE), whose stock the wrath meter draws down, and the evil class
// (BOESEKLASSE), whose cleared stones add target layers. Owned by the game's globals and read
// once at start; the board, the levels, the bonuses and the profiles only refer to the
// classes and their stones, which live until the manager goes.
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/Rohstoffklasse.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class RohstoffManager {
public:
    // The keys of the classes and stones that the two hidden modes affect, and the profile
    // names that switch those modes on.
    static constexpr const wchar_t* kUnlockCode = L"TULVR";
    static constexpr const wchar_t* kUnlimitedCode = L"MOXEN";

    RohstoffManager() = default;
    ~RohstoffManager();
    RohstoffManager(const RohstoffManager&) = delete;
    RohstoffManager& operator=(const RohstoffManager&) = delete;

    // Replaces the classes with those of the file; false (and no classes) when it does not read.
    bool load(const std::wstring& fileName);
    void load(const Ulvo::XMLNode& root);

    // The first class of that name, or null.
    Rohstoffklasse* findKlasse(const std::wstring& name) const;
    // Null when index is out of range.
    Rohstoffklasse* getKlasse(int index) const;
    int getKlassenCount() const { return static_cast<int>(m_klassen.size()); }
    const std::vector<Rohstoffklasse*>& getKlassen() const { return m_klassen; }
    // -1 when the class is not one of these.
    int indexOf(const Rohstoffklasse* klasse) const;
    Rohstoffklasse* getZornKlasse() const { return m_zornKlasse; }
    Rohstoffklasse* getBoeseKlasse() const { return m_boeseKlasse; }

    // Every class's update, by the game clock's frame times.
    void update();
    void advance(double realDt, double gameDt);
    // Every class back to the file (a new profile).
    void resetAll();
    void resetLevelPunkte();
    void clearShownLevelPunkte();
    void commitLevelPunkte();

private:
    void clear();

    std::vector<Rohstoffklasse*> m_klassen;
    Rohstoffklasse* m_zornKlasse = nullptr;
    Rohstoffklasse* m_boeseKlasse = nullptr;
};

} // namespace ThreeMatch
