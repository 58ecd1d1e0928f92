#include "gui/windows/GUIRect.h"

#include "foundation/xml/XMLNode.h"
#include "gui/windows/GUIWindow.h"
#include "gui/windows/GUIXmlRead.h"

namespace Ulvo {

namespace {

// One coordinate (relative or offset) of a folded axis: the first point's value p
// with its anchor bit a, the second's q with bit b (top, centre, or else bottom).
void foldAxis(float& position, float& size, float p, float q, uint32_t a, uint32_t b, bool bIsSize, uint32_t top,
              uint32_t centre)
{
    if (!a)
        return;
    double s = size;
    if (bIsSize) {
        s = q;
    } else if (b && b != a) {
        if (a == top)
            s = b == centre ? (double(q) - p) * 2.0 : double(q) - p;
        else if (a == centre)
            s = b == top ? (double(p) - q) * 2.0 : (double(q) - p) * 2.0;
        else
            s = b == top ? double(p) - q : (double(p) - q) * 2.0;
    }
    size = static_cast<float>(s);
    if (a == top)
        position = p;
    else if (a == centre)
        position = static_cast<float>(p - s / 2.0);
    else
        position = static_cast<float>(p - s);
}

float lerp(float a, float b, double p)
{
    return static_cast<float>(a + (double(b) - a) * p);
}

GUIRectPoint lerp(const GUIRectPoint& a, const GUIRectPoint& b, double p)
{
    return GUIRectPoint(lerp(a.xRel, b.xRel, p), lerp(a.yRel, b.yRel, p), lerp(a.xOff, b.xOff, p),
                        lerp(a.yOff, b.yOff, p));
}

// The ratio rule on one axis: the extent becomes ratio x the other axis's extent
// plus the offset, keeping the anchored edge (or the centre, the offset then on
// both sides).
void applyRatio(double& low, double& high, double other, float ratio, float offset, uint32_t anchorBits,
                uint32_t lowBit, uint32_t highBit)
{
    if (anchorBits & lowBit) {
        high = low + ratio * other + offset;
    } else if (anchorBits & highBit) {
        low = high - ratio * other - offset;
    } else if (anchorBits) {
        const double c = (low + high) / 2.0;
        high = c + ratio * other / 2.0 + offset;
        low = c - ratio * other / 2.0 - offset;
    }
}

} // namespace

GUIRectPoint GUIRectPoint::operator+(const GUIRectPoint& other) const
{
    return GUIRectPoint(xRel + other.xRel, yRel + other.yRel, xOff + other.xOff, yOff + other.yOff);
}

GUIRectPoint GUIRectPoint::operator-(const GUIRectPoint& other) const
{
    return GUIRectPoint(xRel - other.xRel, yRel - other.yRel, xOff - other.xOff, yOff - other.yOff);
}

void GUIRectPoint::load(const XMLNode* node)
{
    setZero();
    GUIXml::readRatio(node, L"X_OFF", xOff);
    GUIXml::readRatio(node, L"X_REL", xRel);
    GUIXml::readRatio(node, L"Y_OFF", yOff);
    GUIXml::readRatio(node, L"Y_REL", yRel);
}

GUIRect::GUIRect(const GUIRectPoint& position, const GUIRectPoint& size) : position(position), size(size) {}

GUIRect::GUIRect(const XMLNode* node)
{
    load(node);
}

uint32_t GUIRect::anchorCode(const std::wstring& name)
{
    static const struct {
        const wchar_t* name;
        uint32_t code;
    } codes[] = {{L"POS_TL", 9},  {L"POS_LT", 9},  {L"POS_TC", 17}, {L"POS_CT", 17}, {L"POS_TR", 33}, {L"POS_RT", 33},
                 {L"POS_CL", 10}, {L"POS_LC", 10}, {L"POS_CC", 18}, {L"POS_CR", 34}, {L"POS_RC", 34}, {L"POS_BL", 12},
                 {L"POS_LB", 12}, {L"POS_BC", 20}, {L"POS_CB", 20}, {L"POS_BR", 36}, {L"POS_RB", 36}, {L"SIZE", 64}};
    for (const auto& entry : codes) {
        if (name == entry.name)
            return entry.code;
    }
    return 0;
}

void GUIRect::load(const XMLNode* node)
{
    if (!node)
        return;
    GUIXml::reportUnknownKeys(node, {L"PARAMS_X", L"PARAMS_Y", L"PARAMS", L"POS_TL", L"POS_LT", L"POS_TC", L"POS_CT",
                                     L"POS_TR",   L"POS_RT",   L"POS_CL", L"POS_LC", L"POS_CC", L"POS_CR", L"POS_RC",
                                     L"POS_BL",   L"POS_LB",   L"POS_BC", L"POS_CB", L"POS_BR", L"POS_RB", L"SIZE"},
                              L"GUIRECT");
    std::wstring ratio;
    if (GUIXml::read(node, L"PARAMS_X", ratio))
        xByRatio = ratio == L"AS_VERH" ? 1 : 0;
    if (GUIXml::read(node, L"PARAMS_Y", ratio))
        yByRatio = ratio == L"AS_VERH" ? 1 : 0;

    GUIRectPoint points[2];
    uint32_t codes[2] = {GUI_ANCHOR_TOP | GUI_ANCHOR_LEFT, GUI_ANCHOR_SIZE};
    int used = 0;
    for (const XMLNode* child : node->getNodes()) {
        if (child->getName() == L"PARAMS") {
            params.load(child);
            continue;
        }
        if (used >= 2)
            continue; // room for two points only
        points[used].load(child);
        if (const uint32_t code = anchorCode(child->getName()))
            codes[used] = code;
        if (child->getName() != L"SIZE")
            anchor = codes[used];
        ++used;
    }

    const GUIRectPoint& p = points[0];
    const GUIRectPoint& q = points[1];
    const uint32_t av = codes[0] & GUI_ANCHOR_VERTICAL, bv = codes[1] & GUI_ANCHOR_VERTICAL;
    const uint32_t ah = codes[0] & GUI_ANCHOR_HORIZONTAL, bh = codes[1] & GUI_ANCHOR_HORIZONTAL;
    const bool bIsSize = codes[1] == GUI_ANCHOR_SIZE;
    foldAxis(position.yRel, size.yRel, p.yRel, q.yRel, av, bv, bIsSize, GUI_ANCHOR_TOP, GUI_ANCHOR_VCENTER);
    foldAxis(position.yOff, size.yOff, p.yOff, q.yOff, av, bv, bIsSize, GUI_ANCHOR_TOP, GUI_ANCHOR_VCENTER);
    foldAxis(position.xRel, size.xRel, p.xRel, q.xRel, ah, bh, bIsSize, GUI_ANCHOR_LEFT, GUI_ANCHOR_HCENTER);
    foldAxis(position.xOff, size.xOff, p.xOff, q.xOff, ah, bh, bIsSize, GUI_ANCHOR_LEFT, GUI_ANCHOR_HCENTER);
}

FloatRect GUIRect::evaluate(const FloatRect& parent, FloatRect* beforeRatio) const
{
    const double w = double(parent.right) - parent.left;
    const double h = double(parent.bottom) - parent.top;
    double left = parent.left + position.xRel * w + position.xOff;
    double right = left + size.xRel * w + size.xOff;
    double top = parent.top + position.yRel * h + position.yOff;
    double bottom = top + size.yRel * h + size.yOff;
    if (beforeRatio)
        *beforeRatio = FloatRect(float(left), float(top), float(right), float(bottom));

    if (xByRatio == 1)
        applyRatio(left, right, bottom - top, params.xRel, params.xOff, anchor & GUI_ANCHOR_HORIZONTAL, GUI_ANCHOR_LEFT,
                   GUI_ANCHOR_RIGHT);
    if (yByRatio == 1)
        applyRatio(top, bottom, right - left, params.yRel, params.yOff, anchor & GUI_ANCHOR_VERTICAL, GUI_ANCHOR_TOP,
                   GUI_ANCHOR_BOTTOM);
    return FloatRect(float(left), float(top), float(right), float(bottom));
}

FloatRect GUIRect::calculate(const FloatRect& parent) const
{
    FloatRect r = evaluate(parent, nullptr);
    if (r.left > r.right)
        r.left = r.right = static_cast<float>((double(r.left) + r.right) / 2.0);
    if (r.top > r.bottom)
        r.top = r.bottom = static_cast<float>((double(r.top) + r.bottom) / 2.0);
    return r;
}

GUIRectPoint GUIRect::getEffectiveSize(const GUIWindow& window) const
{
    FloatRect before;
    const FloatRect after = evaluate(window.getScreenRect(), &before);
    GUIRectPoint effective = size;
    effective.xOff = static_cast<float>(effective.xOff +
                                        ((double(after.right) - after.left) - (double(before.right) - before.left)));
    effective.yOff = static_cast<float>(effective.yOff +
                                        ((double(after.bottom) - after.top) - (double(before.bottom) - before.top)));
    return effective;
}

void GUIRect::interpolate(GUIRect& out, const GUIRect& base, const GUIRect& from, const GUIRect& to, double p,
                          uint32_t mode)
{
    out = base;
    if (mode & PART_POSITION)
        out.position = lerp(from.position, to.position, p);
    if (mode & PART_SIZE)
        out.size = lerp(from.size, to.size, p);
    if (mode & PART_PARAMS)
        out.params = lerp(from.params, to.params, p);
    const GUIRect& flags = p < 0.5 ? from : to;
    out.xByRatio = flags.xByRatio;
    out.yByRatio = flags.yByRatio;
    out.anchor = flags.anchor;
}

} // namespace Ulvo
