#pragma once
// Procedural scalar fields over a 2D position. A field answers a float (as a rule in [0, 1]) for a
// position in whatever space its caller uses: the terrains pass UV in [0, 1]², the trees their
// density cells. Fields are described in XML and built by createParameter; leaf kinds compute
// from their own settings, a named terrain or a texture, combining kinds fold their children.
//
// Ownership: a field owns its children and deletes them; clone is deep; whoever receives a field
// from createParameter or clone owns it. Evaluation changes no state, so a field may be read from
// several threads at once (Height, Normal and Map read their terrain or locked texture).
//
// Every kind reads "INVERT" and applies it once to its own result: v becomes 1 - v (per channel
// for getVector), computed in double and stored as float.
#include <d3dx9math.h>

#include <vector>

namespace Ulvo {

class XMLNode;

class Parameter {
public:
    Parameter() = default;
    // Reads "INVERT" (the attribute's integer is not 0).
    explicit Parameter(XMLNode* node);
    Parameter(const Parameter&) = default;
    Parameter& operator=(const Parameter&) = delete;
    virtual ~Parameter() = default;

    virtual float getValue(const D3DXVECTOR2& position) const = 0;
    // The four-channel value; by default every channel is getValue.
    virtual D3DXVECTOR4* getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const;
    virtual Parameter* clone() const = 0;

    bool isInverted() const { return m_invert; }

protected:
    float invert(float value) const { return m_invert ? static_cast<float>(1.0 - static_cast<double>(value)) : value; }
    D3DXVECTOR4* invert(D3DXVECTOR4* value) const;

    bool m_invert = false;
};

// The field a description node asks for by its "TYPE" (exact, case-sensitive): "MUL", "STATIC",
// "DIST", "HEIGHT", "NORMAL", "MAX"/"OR", "MIN"/"AND", "ADD"/"SUM", "MAP", "PERLIN", "RANGE".
// Any other word, no TYPE or no node gives a Static field (1.0 unless VALUE says otherwise), with
// a log line. The caller owns the result; null only when memory runs out.
Parameter* createParameter(XMLNode* node);

// A field folds at most this many children: each is read at every point of a terrain, so ten
// thousand siblings would stall the loading for minutes.
constexpr unsigned kMaxFieldChildren = 64;
// The PARAMETER children of a field's node in order, at most kMaxFieldChildren (with a log line
// naming `owner` for the rest).
std::vector<XMLNode*> fieldChildren(XMLNode* node, const wchar_t* owner);

} // namespace Ulvo
