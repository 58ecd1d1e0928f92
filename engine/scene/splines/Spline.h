#pragma once
// A named path through space made of control points (SplinePoint). The points come from a
// SPLINE description node (control points, a DEFAULT point, parameter groups, a knot text file
// or the blend of two other splines); build pads both ends, measures the control polygon and
// derives directions and frames. Evaluation takes a real parameter t that counts control points
// (t = 2.5 lies halfway between points 2 and 3) and interpolates each point's channels by the
// rules of its slots towards the next point.
//
// Arrangements, roads and terrain look splines up by name in the SplineManager. The evaluation
// (getPointAt, findNearestParamXZ and the distance conversions) keeps no scratch state, so
// several threads may evaluate one spline at once as long as nobody edits or builds it meanwhile.
#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"
#include "foundation/xml/XMLNode.h"
#include "scene/splines/SplinePoint.h"

#include <string>
#include <vector>

namespace Ulvo {

class Spline : public NamedObject {
public:
    // No points; build stops at once.
    Spline();
    // Reads the description node and builds; the node is kept for reloading.
    explicit Spline(XMLNode* node);
    // Copies points, pads, length, the switches and the description (not the connections).
    Spline(const Spline& other);
    // The same fields as the copy, without the name.
    Spline& operator=(const Spline& other);
    ~Spline() override;

    // Copy-constructs this spline into storage (sizeof(Spline) bytes aligned as a Spline) and
    // returns the copy; its owner ends it with ~Spline.
    Spline* copyTo(void* storage) const;

    // Applies a point node (POSITION, USERDATA, FLAG, INTERPOL_TYPE) to point; what the node
    // does not name stays.
    static void readPoint(SplinePoint& point, const XMLNode* node);

    // Pads, length, directions and frames from the control points; emits rebuilt. With fewer
    // than two control points only the pads are emptied.
    void build();

    // The control points, for callers that read or edit them (they call build afterwards).
    std::vector<SplinePoint>& getPointStore() { return m_controlPoints; }
    const std::vector<SplinePoint>& getPointStore() const { return m_controlPoints; }
    const std::vector<SplinePoint>& getFrontPads() const { return m_frontPads; }
    const std::vector<SplinePoint>& getBackPads() const { return m_backPads; }

    float getLength() const { return m_length; }
    bool isLoop() const { return m_loop; }
    void setLoop(bool loop) { m_loop = loop; }
    bool getAverageDirections() const { return m_averageDirections; }
    void setAverageDirections(bool average) { m_averageDirections = average; }

    bool hasDescription() const { return m_hasDescription; }
    const XMLNode& getDescription() const { return m_description; }

    // Points, pads, length and switches of other replace this spline's own; name, description
    // and identity stay. No build.
    void takeShape(const Spline& other);
    // takeShape, and other's description becomes this spline's.
    void takeShapeAndDescription(const Spline& other);

    // --- Evaluation (thread-safe reads) ---

    // The point of index i in the padded sequence (front pads at negative indices, back pads
    // from the point count on, clamped to the outermost pad); null without control points.
    const SplinePoint* getPaddedPoint(int i) const;
    // The point at t, channel by channel through the slots of the point at the segment's start;
    // the default point without control points.
    SplinePoint getPointAt(float t) const;
    // Distance along the control polygon at t.
    float getDistanceAtParam(float t) const;
    // The parameter at a distance along the control polygon (wrapped on a closed spline,
    // clamped on an open one); 0 on a spline of no length.
    float getParamAtDistance(float d) const;
    // Samples the spline from t = step on in steps of step and finds the parameter of the
    // position nearest to query (x, z) in the x-z plane, with that distance. False without
    // control points.
    bool findNearestParamXZ(const D3DXVECTOR2& query, float& param, float& distance, float step) const;

    // Emitted with the spline at the end of every complete build.
    sigslot::signal1<Spline&> rebuilt;

private:
    void readDescription(XMLNode* node);
    // The blend of the AVERAGE node's SPLINE1 and SPLINE2; false (nothing changed) when one is missing.
    bool readBlend(const XMLNode& average);
    void readKnotFile(const XMLNode& node, const SplinePoint& defaultPoint);

    std::vector<SplinePoint> m_controlPoints;
    std::vector<SplinePoint> m_frontPads;
    std::vector<SplinePoint> m_backPads;
    float m_length = 0.0f;
    bool m_loop = false;
    bool m_averageDirections = true;
    bool m_hasDescription = false;
    XMLNode m_description;
};

} // namespace Ulvo
