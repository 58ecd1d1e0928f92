// ID3DXAnimationSet of keyframed animations: per animated frame three key lists (scale,
// rotation, translation) in seconds, sampled by interpolation between the two keys around a
// position.
#include "common/ComObject.h"
#include "d3dx9/anim/AnimationInternal.h"
#include "d3dx9/xfile/XFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

const IID IID_ID3DXAnimationSet = {0x7d3a0013, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x13}};

namespace D3DXAnimation {

namespace {

template <class Value> struct TimedKey {
    double time; // seconds
    Value value;
};

// The two keys around `time` and the fraction between them; past either end both are the end key.
template <class Value>
void between(const std::vector<TimedKey<Value>>& keys, double time, const Value*& a, const Value*& b, float& fraction)
{
    auto after = std::upper_bound(keys.begin(), keys.end(), time,
                                  [](double t, const TimedKey<Value>& key) { return t < key.time; });
    if (after == keys.begin()) {
        a = b = &keys.front().value;
        fraction = 0.0f;
    } else if (after == keys.end()) {
        a = b = &keys.back().value;
        fraction = 0.0f;
    } else {
        const auto before = after - 1;
        a = &before->value;
        b = &after->value;
        const double span = after->time - before->time;
        fraction = span > 0.0 ? static_cast<float>((time - before->time) / span) : 0.0f;
    }
}

class KeyframedSet final : public PlatformInternal::ComObject<ID3DXAnimationSet> {
public:
    KeyframedSet(const XFile::AnimationSet& source, uint32_t ticksPerSecond) : m_name(source.name)
    {
        const double secondsPerTick = 1.0 / ticksPerSecond;
        for (const XFile::Animation& from : source.animations) {
            Animation to;
            to.name = from.frame;
            for (const auto& key : from.scales)
                to.scales.push_back({key.time * secondsPerTick, key.value});
            for (const auto& key : from.rotations)
                to.rotations.push_back({key.time * secondsPerTick, key.value});
            for (const auto& key : from.translations)
                to.translations.push_back({key.time * secondsPerTick, key.value});
            for (double last : {to.scales.empty() ? 0.0 : to.scales.back().time,
                                to.rotations.empty() ? 0.0 : to.rotations.back().time,
                                to.translations.empty() ? 0.0 : to.translations.back().time})
                m_period = std::max(m_period, last);
            m_animations.push_back(std::move(to));
        }
    }

    LPCSTR GetName() override { return m_name.c_str(); }
    DOUBLE GetPeriod() override { return m_period; }

    DOUBLE GetPeriodicPosition(DOUBLE Position) override
    {
        if (!(m_period > 0.0) || !std::isfinite(Position))
            return 0.0;
        double wrapped = std::fmod(Position, m_period);
        if (wrapped < 0.0)
            wrapped += m_period;
        return wrapped < m_period ? wrapped : 0.0;
    }

    UINT GetNumAnimations() override { return static_cast<UINT>(m_animations.size()); }

    HRESULT GetAnimationNameByIndex(UINT Index, LPCSTR* ppName) override
    {
        if (Index >= m_animations.size() || !ppName)
            return D3DERR_INVALIDCALL;
        *ppName = m_animations[Index].name.c_str();
        return D3D_OK;
    }

    HRESULT GetAnimationIndexByName(LPCSTR pName, UINT* pIndex) override
    {
        if (!pName || !pIndex)
            return D3DERR_INVALIDCALL;
        for (size_t i = 0; i < m_animations.size(); ++i) {
            if (m_animations[i].name == pName) {
                *pIndex = static_cast<UINT>(i);
                return D3D_OK;
            }
        }
        return D3DERR_NOTFOUND;
    }

    HRESULT GetSRT(DOUBLE PeriodicPosition, UINT Animation, D3DXVECTOR3* pScale, D3DXQUATERNION* pRotation,
                   D3DXVECTOR3* pTranslation) override
    {
        if (Animation >= m_animations.size())
            return D3DERR_INVALIDCALL;
        const auto& animation = m_animations[Animation];
        float fraction;
        const D3DXVECTOR3 *from, *to;
        if (pScale) {
            between(animation.scales, PeriodicPosition, from, to, fraction);
            D3DXVec3Lerp(pScale, from, to, fraction);
        }
        if (pTranslation) {
            between(animation.translations, PeriodicPosition, from, to, fraction);
            D3DXVec3Lerp(pTranslation, from, to, fraction);
        }
        if (pRotation) {
            const D3DXQUATERNION *a, *b;
            between(animation.rotations, PeriodicPosition, a, b, fraction);
            D3DXQuaternionSlerp(pRotation, a, b, fraction);
        }
        return D3D_OK;
    }

private:
    struct Animation {
        std::string name;
        std::vector<TimedKey<D3DXVECTOR3>> scales;
        std::vector<TimedKey<D3DXQUATERNION>> rotations;
        std::vector<TimedKey<D3DXVECTOR3>> translations;
    };

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXAnimationSet); }

    std::string m_name;
    std::vector<Animation> m_animations;
    double m_period = 0.0;
};

} // namespace

HRESULT createKeyframedSet(const XFile::AnimationSet& source, uint32_t ticksPerSecond, ID3DXAnimationSet** out)
{
    if (!out || ticksPerSecond == 0)
        return D3DERR_INVALIDCALL;
    *out = new KeyframedSet(source, ticksPerSecond);
    return D3D_OK;
}

} // namespace D3DXAnimation
