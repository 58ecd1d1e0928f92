#pragma once
// Band fields over a terrain found by name: ParameterHeight over its height, ParameterNormal over
// its slope in degrees (0 flat, 90 a wall). The value is 0 outside (MIN, MAX), rises linearly over
// the first TRANSITION units above MIN, holds 1, and falls over the last TRANSITION units below
// MAX. The terrain is looked up on every evaluation, so one created, renamed or removed later is
// seen (or missed) at the next; no terrain (or an object that is none) gives 0.
#include "terrain/fields/Parameter.h"

#include <string>

namespace Ulvo {

class HeightMap;
class ObjektManager;

class ParameterHeight : public Parameter {
public:
    // "MIN", "MAX", "TRANSITION" (numbers); "HEIGHTMAP" (the terrain object's name).
    explicit ParameterHeight(XMLNode* node);
    ParameterHeight(const ParameterHeight&) = default;

    float getValue(const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterHeight(*this); }

    // The object manager the fields find their terrain in. The engine hands its manager down at
    // start-up (it lives above this layer) and takes it back at the end; tests hand their own.
    static void setObjektManager(ObjektManager* manager) { s_objekte = manager; }
    static ObjektManager* getObjektManager() { return s_objekte; }

protected:
    // The kind's name for log lines ("HEIGHT" or "NORMAL").
    ParameterHeight(XMLNode* node, const wchar_t* kind);
    HeightMap* findTerrain() const;
    // 0 outside the band, the ramps within TRANSITION of its edges, else 1 (INVERT applied).
    float band(float value) const;

    float m_min = 0.0f;
    float m_max = 90.0f;
    float m_transition = 0.0f;
    std::wstring m_terrain;

private:
    static inline ObjektManager* s_objekte = nullptr;
};

class ParameterNormal : public ParameterHeight {
public:
    // The same keys; MIN and MAX are slope angles in degrees.
    explicit ParameterNormal(XMLNode* node);
    ParameterNormal(const ParameterNormal&) = default;

    float getValue(const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterNormal(*this); }
};

} // namespace Ulvo
