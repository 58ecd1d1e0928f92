// ID3DXAnimationController: tracks playing registered animation sets into registered output
// matrices. Which output each animation of a set drives is worked out when sets or outputs are
// registered, and the blend keeps one slot per output made with the controller, so advancing
// the time allocates nothing.
#include <d3dx9.h>

#include "common/ComObject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

const IID IID_ID3DXAnimationController = {0x7d3a0014, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x14}};

namespace {

struct Output {
    std::string name;
    D3DXMATRIX* matrix;
};

struct RegisteredSet {
    ID3DXAnimationSet* set;
    std::vector<int> outputOf; // per animation: its output, -1 for none
};

struct Track {
    ID3DXAnimationSet* set = nullptr; // held
    size_t registered = 0;            // its index among the registered sets
    D3DXTRACK_DESC desc{D3DXPRIORITY_LOW, 1.0f, 1.0f, 0.0, TRUE};
};

// The weighted pose of one output while the tracks are blended.
struct Blend {
    D3DXVECTOR3 scale;
    D3DXQUATERNION rotation;
    D3DXVECTOR3 translation;
    float weight;
};

class AnimationController final : public PlatformInternal::ComObject<ID3DXAnimationController> {
public:
    AnimationController(UINT maxOutputs, UINT maxSets, UINT maxTracks, UINT maxEvents)
        : m_maxOutputs(maxOutputs), m_maxSets(maxSets), m_maxEvents(maxEvents), m_tracks(maxTracks), m_blend(maxOutputs)
    {
        m_outputs.reserve(maxOutputs);
        m_sets.reserve(maxSets);
    }

    UINT GetMaxNumAnimationOutputs() override { return m_maxOutputs; }
    UINT GetMaxNumAnimationSets() override { return m_maxSets; }
    UINT GetMaxNumTracks() override { return static_cast<UINT>(m_tracks.size()); }
    UINT GetMaxNumEvents() override { return m_maxEvents; }

    HRESULT RegisterAnimationOutput(LPCSTR Name, D3DXMATRIX* pMatrix, D3DXVECTOR3* pScale, D3DXQUATERNION* pRotation,
                                    D3DXVECTOR3* pTranslation) override
    {
        if (!Name || !pMatrix || pScale || pRotation || pTranslation || m_outputs.size() >= m_maxOutputs ||
            outputNamed(Name) >= 0)
            return D3DERR_INVALIDCALL;
        m_outputs.push_back({Name, pMatrix});
        for (RegisteredSet& registered : m_sets)
            bind(registered);
        return D3D_OK;
    }

    HRESULT RegisterAnimationSet(LPD3DXANIMATIONSET pAnimSet) override
    {
        if (!pAnimSet || m_sets.size() >= m_maxSets || registeredIndex(pAnimSet) >= 0)
            return D3DERR_INVALIDCALL;
        pAnimSet->AddRef();
        m_sets.push_back({pAnimSet, {}});
        bind(m_sets.back());
        return D3D_OK;
    }

    UINT GetNumAnimationSets() override { return static_cast<UINT>(m_sets.size()); }

    HRESULT GetAnimationSet(UINT Index, LPD3DXANIMATIONSET* ppAnimationSet) override
    {
        if (Index >= m_sets.size() || !ppAnimationSet)
            return D3DERR_INVALIDCALL;
        return PlatformInternal::handOutReference(m_sets[Index].set, ppAnimationSet, D3DERR_INVALIDCALL);
    }

    HRESULT GetAnimationSetByName(LPCSTR szName, LPD3DXANIMATIONSET* ppAnimationSet) override
    {
        if (!szName || !ppAnimationSet)
            return D3DERR_INVALIDCALL;
        *ppAnimationSet = nullptr;
        for (RegisteredSet& registered : m_sets) {
            if (std::strcmp(registered.set->GetName(), szName) == 0)
                return PlatformInternal::handOutReference(registered.set, ppAnimationSet, D3DERR_INVALIDCALL);
        }
        return D3DERR_NOTFOUND;
    }

    HRESULT AdvanceTime(DOUBLE TimeDelta, LPD3DXANIMATIONCALLBACKHANDLER) override
    {
        if (!std::isfinite(TimeDelta))
            return D3DERR_INVALIDCALL;
        m_time += TimeDelta;
        for (Track& track : m_tracks) {
            if (track.set && track.desc.Enable)
                track.desc.Position += TimeDelta * track.desc.Speed;
        }
        for (size_t o = 0; o < m_outputs.size(); ++o)
            m_blend[o].weight = 0.0f;
        for (Track& track : m_tracks) {
            const float weight = track.desc.Weight;
            if (!track.set || !track.desc.Enable || !(weight > 0.0f))
                continue;
            const RegisteredSet& registered = m_sets[track.registered];
            const double at = track.set->GetPeriodicPosition(track.desc.Position);
            for (size_t a = 0; a < registered.outputOf.size(); ++a) {
                const int output = registered.outputOf[a];
                if (output < 0)
                    continue;
                D3DXVECTOR3 scale, translation;
                D3DXQUATERNION rotation;
                if (FAILED(track.set->GetSRT(at, static_cast<UINT>(a), &scale, &rotation, &translation)))
                    continue;
                Blend& blend = m_blend[static_cast<size_t>(output)];
                if (blend.weight == 0.0f) {
                    blend = {weight * scale, rotation, weight * translation, weight};
                } else {
                    const float total = blend.weight + weight;
                    blend.scale += weight * scale;
                    blend.translation += weight * translation;
                    D3DXQuaternionSlerp(&blend.rotation, &blend.rotation, &rotation, weight / total);
                    blend.weight = total;
                }
            }
        }
        for (size_t o = 0; o < m_outputs.size(); ++o) {
            const Blend& blend = m_blend[o];
            if (blend.weight > 0.0f)
                compose(*m_outputs[o].matrix, blend.scale / blend.weight, blend.rotation,
                        blend.translation / blend.weight);
        }
        return D3D_OK;
    }

    HRESULT ResetTime() override
    {
        m_time = 0.0;
        return D3D_OK;
    }

    DOUBLE GetTime() override { return m_time; }

    HRESULT SetTrackAnimationSet(UINT Track, LPD3DXANIMATIONSET pAnimSet) override
    {
        if (Track >= m_tracks.size())
            return D3DERR_INVALIDCALL;
        const int registered = pAnimSet ? registeredIndex(pAnimSet) : 0;
        if (registered < 0)
            return D3DERR_INVALIDCALL;
        if (pAnimSet)
            pAnimSet->AddRef();
        if (m_tracks[Track].set)
            m_tracks[Track].set->Release();
        m_tracks[Track].set = pAnimSet;
        m_tracks[Track].registered = static_cast<size_t>(registered);
        return D3D_OK;
    }

    HRESULT GetTrackAnimationSet(UINT Track, LPD3DXANIMATIONSET* ppAnimSet) override
    {
        if (Track >= m_tracks.size() || !ppAnimSet)
            return D3DERR_INVALIDCALL;
        *ppAnimSet = m_tracks[Track].set;
        if (*ppAnimSet)
            (*ppAnimSet)->AddRef();
        return D3D_OK;
    }

    HRESULT SetTrackPriority(UINT Track, D3DXPRIORITY_TYPE Priority) override
    {
        return change(Track, [&](D3DXTRACK_DESC& d) { d.Priority = Priority; });
    }
    HRESULT SetTrackSpeed(UINT Track, FLOAT Speed) override
    {
        if (!std::isfinite(Speed))
            return D3DERR_INVALIDCALL;
        return change(Track, [&](D3DXTRACK_DESC& d) { d.Speed = Speed; });
    }
    HRESULT SetTrackWeight(UINT Track, FLOAT Weight) override
    {
        if (!std::isfinite(Weight))
            return D3DERR_INVALIDCALL;
        return change(Track, [&](D3DXTRACK_DESC& d) { d.Weight = Weight; });
    }
    HRESULT SetTrackPosition(UINT Track, DOUBLE Position) override
    {
        if (!std::isfinite(Position))
            return D3DERR_INVALIDCALL;
        return change(Track, [&](D3DXTRACK_DESC& d) { d.Position = Position; });
    }
    HRESULT SetTrackEnable(UINT Track, BOOL Enable) override
    {
        return change(Track, [&](D3DXTRACK_DESC& d) { d.Enable = Enable ? TRUE : FALSE; });
    }
    HRESULT SetTrackDesc(UINT Track, LPD3DXTRACK_DESC pDesc) override
    {
        if (!pDesc || !std::isfinite(pDesc->Weight) || !std::isfinite(pDesc->Speed) || !std::isfinite(pDesc->Position))
            return D3DERR_INVALIDCALL;
        return change(Track, [&](D3DXTRACK_DESC& d) { d = *pDesc; });
    }
    HRESULT GetTrackDesc(UINT Track, LPD3DXTRACK_DESC pDesc) override
    {
        if (Track >= m_tracks.size() || !pDesc)
            return D3DERR_INVALIDCALL;
        *pDesc = m_tracks[Track].desc;
        return D3D_OK;
    }

    HRESULT CloneAnimationController(UINT MaxNumAnimationOutputs, UINT MaxNumAnimationSets, UINT MaxNumTracks,
                                     UINT MaxNumEvents, LPD3DXANIMATIONCONTROLLER* ppAnimController) override
    {
        if (!ppAnimController)
            return D3DERR_INVALIDCALL;
        *ppAnimController = nullptr;
        if (MaxNumAnimationOutputs < m_outputs.size() || MaxNumAnimationSets < m_sets.size())
            return D3DERR_INVALIDCALL;
        auto* clone = new AnimationController(MaxNumAnimationOutputs, MaxNumAnimationSets, MaxNumTracks, MaxNumEvents);
        clone->m_outputs = m_outputs;
        clone->m_sets = m_sets;
        for (RegisteredSet& registered : clone->m_sets)
            registered.set->AddRef();
        for (size_t t = 0; t < clone->m_tracks.size() && t < m_tracks.size(); ++t) {
            clone->m_tracks[t] = m_tracks[t];
            if (clone->m_tracks[t].set)
                clone->m_tracks[t].set->AddRef();
        }
        clone->m_time = m_time;
        *ppAnimController = clone;
        return D3D_OK;
    }

private:
    ~AnimationController() override
    {
        for (Track& track : m_tracks) {
            if (track.set)
                track.set->Release();
        }
        for (RegisteredSet& registered : m_sets)
            registered.set->Release();
    }

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXAnimationController); }

    template <class Change> HRESULT change(UINT track, Change&& apply)
    {
        if (track >= m_tracks.size())
            return D3DERR_INVALIDCALL;
        apply(m_tracks[track].desc);
        return D3D_OK;
    }

    int outputNamed(const char* name) const
    {
        for (size_t o = 0; o < m_outputs.size(); ++o) {
            if (m_outputs[o].name == name)
                return static_cast<int>(o);
        }
        return -1;
    }

    int registeredIndex(ID3DXAnimationSet* set) const
    {
        for (size_t s = 0; s < m_sets.size(); ++s) {
            if (m_sets[s].set == set)
                return static_cast<int>(s);
        }
        return -1;
    }

    void bind(RegisteredSet& registered) const
    {
        const UINT count = registered.set->GetNumAnimations();
        registered.outputOf.assign(count, -1);
        for (UINT a = 0; a < count; ++a) {
            LPCSTR name = nullptr;
            if (SUCCEEDED(registered.set->GetAnimationNameByIndex(a, &name)) && name)
                registered.outputOf[a] = outputNamed(name);
        }
    }

    // scale, then rotation, then translation, for row vectors: each rotation row scaled by its
    // axis's factor, the translation as the last row.
    static void compose(D3DXMATRIX& out, const D3DXVECTOR3& scale, const D3DXQUATERNION& rotation,
                        const D3DXVECTOR3& translation)
    {
        D3DXQUATERNION unit;
        D3DXQuaternionNormalize(&unit, &rotation);
        D3DXMatrixRotationQuaternion(&out, &unit);
        const float factor[3] = {scale.x, scale.y, scale.z};
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column)
                out.m[row][column] *= factor[row];
        }
        out._41 = translation.x;
        out._42 = translation.y;
        out._43 = translation.z;
    }

    UINT m_maxOutputs;
    UINT m_maxSets;
    UINT m_maxEvents;
    std::vector<Output> m_outputs;
    std::vector<RegisteredSet> m_sets;
    std::vector<Track> m_tracks;
    std::vector<Blend> m_blend; // one per possible output
    double m_time = 0.0;
};

} // namespace

HRESULT D3DXCreateAnimationController(UINT MaxNumAnimationOutputs, UINT MaxNumAnimationSets, UINT MaxNumTracks,
                                      UINT MaxNumEvents, LPD3DXANIMATIONCONTROLLER* ppAnimController)
{
    if (!ppAnimController)
        return D3DERR_INVALIDCALL;
    *ppAnimController = nullptr;
    // Bounds that keep the blend slots and tracks a sane size.
    if (MaxNumAnimationOutputs > (1u << 20) || MaxNumAnimationSets > (1u << 20) || MaxNumTracks > 4096)
        return D3DERR_INVALIDCALL;
    *ppAnimController =
        new AnimationController(MaxNumAnimationOutputs, MaxNumAnimationSets, MaxNumTracks, MaxNumEvents);
    return D3D_OK;
}
