#pragma once
// A catastrophe the wrath brings over the town: its picture and the id of its text, which the
// game formats with what the catastrophe destroyed. The catastrophes are read from
// "data\Katastrophen\katastrophen.kat", one per KATASTROPHE node in file order.
#include <string>
#include <vector>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Katastrophe {
public:
    // Loads the node's TEXTURES lists, then takes TEXT_ID and the texture named by TEXTUR.
    explicit Katastrophe(const Ulvo::XMLNode& node);

    const std::wstring& getTextId() const { return m_textId; }
    Ulvo::Texture2D* getTexture() const { return m_texture; }

    // Every catastrophe of the file; none (with a log line) when it does not read or holds none.
    static std::vector<Katastrophe> loadAll(const std::wstring& fileName);
    static std::vector<Katastrophe> loadAll(const Ulvo::XMLNode& root);

private:
    std::wstring m_textId;
    Ulvo::Texture2D* m_texture = nullptr; // the texture manager keeps it
};

} // namespace ThreeMatch
