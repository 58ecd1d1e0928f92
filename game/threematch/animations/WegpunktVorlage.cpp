#include "threematch/animations/WegpunktVorlage.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"

namespace ThreeMatch {

namespace {

// "x y seconds" of one WEGPUNKT entry; missing numbers read as 0.
Wegpunkt parseWegpunkt(const std::wstring& text)
{
    const std::vector<std::wstring> words = Ulvo::XMLValueList::split(text, L' ');
    auto number = [&words](std::size_t i) { return i < words.size() ? Ulvo::XMLProperty(words[i]).getDouble() : 0.0; };
    return Wegpunkt{toFloat(number(0)), toFloat(number(1)), number(2)};
}

} // namespace

WegpunktVorlage::WegpunktVorlage(const Ulvo::XMLNode& node)
{
    node.readString(L"NAME", m_name);
    m_texture = readGameTextureFile(node, L"TEXTUR");
    node.readDouble(L"SPEED", m_speed);
    node.readDouble(L"SPEED_RAND", m_speedRand);
    m_grid.read(node);
    m_animFrames = m_grid.product();
    node.readInt(L"ANIM_FRAMES", m_animFrames);
    node.readInt(L"ANIM_FRAMES_RAND", m_animFramesRand);
    node.readInt(L"OFFSET_RAND", m_startFrameRange);
    // The path: every WEGPUNKT entry of the WEGPUNKTE child, in file order.
    if (const Ulvo::XMLNode* path = node.getNode(L"WEGPUNKTE")) {
        for (const Ulvo::XMLAttribute* entry : path->getAttributes()) {
            if (entry && entry->getName() == L"WEGPUNKT")
                m_wegpunkte.push_back(parseWegpunkt(entry->getValue()));
        }
    }
}

} // namespace ThreeMatch
