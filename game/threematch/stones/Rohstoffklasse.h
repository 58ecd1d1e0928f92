#pragma once
// A stone class: the player's stock of one resource and the stone types that earn it. It
// shows in the status bar and the town screen, counts the points won in the running level
// apart from the stock until the level is won, and keeps its and its stones' progress in
// the profile.
#include <d3d9types.h>

#include <string>
#include <vector>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Rohstoff;
class RohstoffManager;

class Rohstoffklasse {
public:
    // node: a ROHSTOFFKLASSE node, the index-th of the file.
    Rohstoffklasse(const Ulvo::XMLNode& node, int index, const RohstoffManager& manager);
    ~Rohstoffklasse();
    Rohstoffklasse(const Rohstoffklasse&) = delete;
    Rohstoffklasse& operator=(const Rohstoffklasse&) = delete;

    const std::wstring& getName() const { return m_name; }
    int getIdBase() const { return m_idBase; }
    Rohstoff* findRohstoff(const std::wstring& name) const;
    // Null when index is out of range.
    Rohstoff* getRohstoff(int index) const;
    int getRohstoffCount() const { return static_cast<int>(m_stones.size()); }
    const std::vector<Rohstoff*>& getRohstoffe() const { return m_stones; }
    bool isRandom() const { return m_random; }
    D3DCOLOR getColor() const { return m_color; }
    bool isUnlocked() const { return m_unlocked; }
    void unlock() { m_unlocked = true; }
    bool isShownInStatus() const { return m_showInStatus; }
    int getMinAnzahl() const { return m_minAnzahl; }

    int getPunkte() const { return m_punkte; }
    void spend(int n);
    // The shown values, rounded to whole numbers.
    int getShownPunkte() const;
    int getShownLevelPunkte() const;
    int getLevelPunkte() const { return m_levelPunkte; }
    void resetLevelPunkte();
    void clearShownLevelPunkte() { m_shownLevelPunkte = 0.0; }
    // Saturating: a huge multiplier cannot wrap the counter.
    void addLevelPunkte(long long n);
    // The level was won: its points join the stock.
    void commitLevelPunkte();

    // The preview picture, or null when its screen does not show it.
    Ulvo::Texture2D* getVorschauIngame() const { return m_showVorschauIngame ? m_vorschau : nullptr; }
    Ulvo::Texture2D* getVorschauBauen() const { return m_showVorschauBauen ? m_vorschau : nullptr; }

    // The two hidden modes, switched by the profile name.
    void setUnlockMode(bool on);
    void setUnlimitedMode(bool on);
    bool isUnlimitedActive() const { return m_unlimitedActive; }

    // Back to the file's state: locked as in the file, no points, every stone reset.
    void resetToFile();
    // Once a frame: the hidden refill on game time, the shown values on real time.
    void update(double realDt, double gameDt);

    // The profile record: writes into and reads from a KLASSE node.
    void saveProfile(Ulvo::XMLNode& node) const;
    void loadProfile(const Ulvo::XMLNode& node);

    // The stock the second hidden mode keeps.
    static constexpr int kUnlimitedPunkte = 999999;

private:
    std::wstring m_name;
    int m_idBase;
    D3DCOLOR m_color = 0xFF000000;
    std::vector<Rohstoff*> m_stones;
    bool m_unlocked = false;
    bool m_unlockedDefault = false;
    int m_punkte = 0;
    double m_shownPunkte = 0.0;
    int m_levelPunkte = 0;
    double m_shownLevelPunkte = 0.0;
    int m_minAnzahl = 0;
    bool m_random = false;
    bool m_showInStatus = false;
    Ulvo::Texture2D* m_vorschau = nullptr; // the texture manager keeps it
    bool m_showVorschauBauen = true;
    bool m_showVorschauIngame = true;
    bool m_unlimitedFlag = false;
    bool m_unlimitedActive = false;
    bool m_unlockFlag = false;
};

} // namespace ThreeMatch
