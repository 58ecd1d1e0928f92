#pragma once
// The object editor's gizmo: a composite of up to ten part objects (three world axes, three local
// axes, a handle each for moving, scaling, rotating and velocity), each any kind the factory
// builds from its node. The composite forwards placement, effect selection, transparency and
// camera updates to its parts and draws them over the scene with the depth test off, in the
// normal, shadow and deferred techniques (the editor's view draws with those).
//
// Parts draw inside the composite's effect pass, so they share the composite's effect bundle.
// Read from COORDS_DATA; written back under TYPE "COORDS" with each part's own description.
#include "scene/objects/BaseObjekt.h"

#include <array>

namespace Ulvo {

class CoordsObjekt : public BaseObjekt {
public:
    enum Part { WORLD_X, WORLD_Y, WORLD_Z, LOKAL_X, LOKAL_Y, LOKAL_Z, MOVE, ROTATE, SCALE, VELOCITY, PART_COUNT };

    CoordsObjekt(XMLNode* node, ObjektManager* owner);
    CoordsObjekt(const CoordsObjekt& other);
    ~CoordsObjekt() override;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new CoordsObjekt(node, owner); }

    bool save(XMLNode* node) override;
    BaseObjekt* clone() const override { return new CoordsObjekt(*this); }
    SceneBudget::Cost copyCost() const override;
    void render(Camera* camera) override;
    void computeWorldBox() override;
    void computeBoundingSphere() override;
    bool setPosition(const D3DXVECTOR3& position) override;
    void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) override;
    void setAlpha(float alpha) override;
    void selectRenderEffect(int mode, unsigned quality) override;

    BaseObjekt* getPart(Part part) const { return m_parts[part]; }
    // 1 move, 2 scale, 3 rotate, 4 velocity: the tool part drawn; others none.
    void setEditMode(int mode) { m_editMode = mode; }
    int getEditMode() const { return m_editMode; }
    // 3 hides the world axes.
    void setAxisMode(int mode) { m_axisMode = mode; }
    int getAxisMode() const { return m_axisMode; }

    // The node names of the parts, in Part order.
    static const wchar_t* const kPartNodes[PART_COUNT];

private:
    std::array<BaseObjekt*, PART_COUNT> m_parts{};
    int m_editMode = 0;
    int m_axisMode = 0;
};

} // namespace Ulvo
