#pragma once
// A stone type (a resource): what a board stone is. Its id decides matching (class index x
// 1000 + index in the class + 1); clearing its stones charges it and earns points for its
// class. The player's progress with it (unlocked, new, introduced, extra weight, charges)
// goes into the profile.
#include "foundation/sigslot.h"

#include <string>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Rohstoffklasse;
class RohstoffManager;

class Rohstoff {
public:
    // node: a ROHSTOFF node; manager: the classes read so far, for ROHSTOFFKLASSE_ZUSATZ.
    Rohstoff(const Ulvo::XMLNode& node, Rohstoffklasse& klasse, int id, const RohstoffManager& manager);
    ~Rohstoff();
    Rohstoff(const Rohstoff&) = delete;
    Rohstoff& operator=(const Rohstoff&) = delete;

    // Emitted when the charges become full.
    sigslot::signal1<Rohstoff&> full;

    int getId() const { return m_id; }
    Rohstoffklasse* getKlasse() const { return m_klasse; }
    Rohstoffklasse* getZusatzKlasse() const { return m_zusatzKlasse; }
    const std::wstring& getName() const { return m_name; }
    const std::wstring& getVorstellungTextId() const { return m_vorstellungTextId; }
    int getMultiplier() const { return m_multiplier; }
    // Draw weight in a level: file weight + profile weight + level weight.
    double getWeight() const { return m_probability + m_profileWeight + m_levelWeight; }
    void setLevelWeight(double weight) { m_levelWeight = weight; }
    void addProfileWeight(double weight) { m_profileWeight += weight; }
    double getProfileWeight() const { return m_profileWeight; }
    bool isUnlocked() const { return m_unlocked; }
    // Unlocked and new: taken first into the next level.
    void unlock();
    bool isNew() const { return m_isNew; }
    void clearNew() { m_isNew = false; }
    bool isIntroduced() const { return m_isIntroduced; }
    void setIntroduced(bool introduced) { m_isIntroduced = introduced; }
    int getCharges() const { return m_charges; }
    int getLadungen() const { return m_ladungen; }
    void resetCharges() { m_charges = 0; }
    // Charges / LADUNGEN, within 0..1.
    double getChargeRatio() const;
    // n stones of this type were cleared: charges (up to full) and points for the class and
    // its second class; emits full when this call fills the charges.
    void addCharges(int n);
    Ulvo::Texture2D* getIcon() const { return m_icon; }
    bool isRefillActive() const { return m_refillActive; }

    // The profile record: writes into and reads from a ROHSTOFF node.
    void saveProfile(Ulvo::XMLNode& node) const;
    void loadProfile(const Ulvo::XMLNode& node);

    // Back to the file's state (a new profile).
    void resetToFile();
    // The first hidden mode on this stone's class.
    void setUnlockMode(bool classUnlockable);
    // The first hidden mode's refill: charges grow by 50 a second of game time.
    void refill(double gameDt);

private:
    std::wstring m_name;
    int m_id;
    Rohstoffklasse* m_klasse;
    Rohstoffklasse* m_zusatzKlasse = nullptr;
    int m_multiplier = 0;
    double m_probability = 1.0;
    double m_profileWeight = 0.0;
    double m_levelWeight = 0.0;
    bool m_unlocked = false;
    bool m_unlockedDefault = false;
    bool m_isNew = false;
    bool m_isIntroduced = true;
    bool m_introducedDefault = true;
    int m_charges = 0;
    int m_ladungen = 1;
    std::wstring m_vorstellungTextId;
    bool m_refillActive = false;
    bool m_refillFlag = false;
    double m_chargeAccumulator = 0.0;
    Ulvo::Texture2D* m_icon = nullptr; // one reference held
};

} // namespace ThreeMatch
