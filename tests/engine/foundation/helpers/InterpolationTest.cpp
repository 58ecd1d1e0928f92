#include "foundation/helpers/Interpolation.h"

#include <d3dx9math.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Every instance the engine and the game use must compile in full.
template class Ulvo::Interpolation<float, float>;
template class Ulvo::Interpolation<double, double>;
template class Ulvo::Interpolation<D3DXVECTOR2, float>;
template class Ulvo::Interpolation<D3DXVECTOR4, float>;
template class Ulvo::Interpolation<D3DXCOLOR, float>;

namespace {

using FloatLerp = Ulvo::Interpolation<float, float>;

// Records the signals in the order they arrive.
template <class Lerp> class Recorder : public sigslot::has_slots<> {
public:
    explicit Recorder(Lerp& lerp)
    {
        lerp.reachedEnd.connect(this, &Recorder::onEnd);
        lerp.reachedStart.connect(this, &Recorder::onStart);
        lerp.changed.connect(this, &Recorder::onChanged);
    }
    void onEnd(Lerp&) { events.push_back("end"); }
    void onStart(Lerp&) { events.push_back("start"); }
    void onChanged(Lerp& lerp)
    {
        events.push_back("changed");
        lastValue = lerp.value;
    }

    std::vector<std::string> events;
    decltype(Lerp::value) lastValue{};
};

using Events = std::vector<std::string>;

FloatLerp makeLerp(float start, float end)
{
    FloatLerp lerp(start);
    lerp.end = end;
    return lerp;
}

TEST(Interpolation, UpdateRunsToTheEndAndStaysQuietThere)
{
    FloatLerp lerp = makeLerp(10.0f, 20.0f);
    Recorder<FloatLerp> rec(lerp);
    lerp.speed = 2.0f;

    lerp.update(0.25f);
    EXPECT_TRUE(rec.events.empty()) << "not running yet";
    EXPECT_EQ(lerp.t, 0.0f);

    lerp.running = true;
    lerp.update(0.25f);
    EXPECT_FLOAT_EQ(lerp.t, 0.5f);
    EXPECT_FLOAT_EQ(lerp.value, 15.0f);
    EXPECT_EQ(rec.events, Events{"changed"});

    lerp.update(0.5f);
    EXPECT_EQ(lerp.t, 1.0f);
    EXPECT_FLOAT_EQ(lerp.value, 20.0f);
    EXPECT_FLOAT_EQ(rec.lastValue, 20.0f);
    EXPECT_EQ(rec.events, (Events{"changed", "end", "changed"}));
    EXPECT_TRUE(lerp.running) << "reaching the end does not stop it";

    rec.events.clear();
    lerp.update(1.0f);
    EXPECT_TRUE(rec.events.empty());

    // A negative speed runs back to the start.
    lerp.speed = -4.0f;
    lerp.update(1.0f);
    EXPECT_EQ(lerp.t, 0.0f);
    EXPECT_FLOAT_EQ(lerp.value, 10.0f);
    EXPECT_EQ(rec.events, (Events{"start", "changed"}));
}

TEST(Interpolation, AdvanceResults)
{
    FloatLerp lerp = makeLerp(0.0f, 1.0f);
    Recorder<FloatLerp> rec(lerp);
    EXPECT_EQ(lerp.advance(0.0f), 0u);
    EXPECT_EQ(lerp.advance(-0.1f), 0u);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(lerp.advance(0.4f), 1u);
    EXPECT_EQ(lerp.advance(5.0f), 3u);
    EXPECT_EQ(lerp.t, 1.0f);
    EXPECT_EQ(lerp.advance(0.1f), 0u);
    EXPECT_EQ(lerp.advance(-1.0f), 3u);
    EXPECT_EQ(rec.events, (Events{"changed", "end", "changed", "start", "changed"}));
}

TEST(Interpolation, ExponentShapesTheCurve)
{
    FloatLerp lerp = makeLerp(2.0f, 6.0f);
    lerp.exponent = 2.0f;
    lerp.advance(0.5f);
    EXPECT_FLOAT_EQ(lerp.value, 2.0f + 4.0f * 0.25f);

    lerp.exponent = 0.5f;
    lerp.setParam(0.25f);
    EXPECT_FLOAT_EQ(lerp.value, 2.0f + 4.0f * 0.5f);
}

TEST(Interpolation, SetParamJumpsAndAnnounces)
{
    FloatLerp lerp = makeLerp(0.0f, 8.0f);
    Recorder<FloatLerp> rec(lerp);

    lerp.setParam(0.0f);
    EXPECT_TRUE(rec.events.empty()) << "same parameter";

    lerp.setParam(0.5f);
    EXPECT_EQ(lerp.t, 0.5f);
    EXPECT_FLOAT_EQ(lerp.value, 4.0f);
    EXPECT_EQ(rec.events, Events{"changed"});

    rec.events.clear();
    lerp.setParam(1.5f);
    EXPECT_EQ(lerp.t, 1.0f);
    EXPECT_FLOAT_EQ(lerp.value, 8.0f);
    EXPECT_EQ(rec.events, (Events{"end", "changed"}));

    // Outside 0..1 the value is an end value, whatever the exponent.
    rec.events.clear();
    lerp.exponent = 2.0f;
    lerp.setParam(-0.5f);
    EXPECT_EQ(lerp.t, 0.0f);
    EXPECT_FLOAT_EQ(lerp.value, 0.0f);
    EXPECT_EQ(rec.events, (Events{"start", "changed"}));
    lerp.exponent = 0.5f;
    lerp.setParam(-0.25f);
    EXPECT_FLOAT_EQ(lerp.value, 0.0f) << "no NaN from a fractional power of a negative number";
}

TEST(Interpolation, SetAlwaysAnnounces)
{
    Ulvo::Interpolation<double, double> lerp(0.0);
    Recorder<Ulvo::Interpolation<double, double>> rec(lerp);
    lerp.set(1.0, 3.0, 1.0);
    EXPECT_EQ(lerp.t, 1.0);
    EXPECT_DOUBLE_EQ(lerp.value, 3.0);
    lerp.set(1.0, 3.0, 1.0);
    EXPECT_EQ(rec.events, (Events{"end", "changed", "end", "changed"}));

    rec.events.clear();
    lerp.set(-2.0, 2.0, 0.5);
    EXPECT_DOUBLE_EQ(lerp.value, 0.0);
    EXPECT_EQ(rec.events, Events{"changed"});

    rec.events.clear();
    lerp.set(5.0, 7.0, -1.0);
    EXPECT_EQ(lerp.t, 0.0);
    EXPECT_DOUBLE_EQ(lerp.value, 5.0);
    EXPECT_EQ(rec.events, (Events{"start", "changed"}));
}

TEST(Interpolation, CopyKeepsFieldsAndConnections)
{
    FloatLerp lerp = makeLerp(0.0f, 2.0f);
    auto rec = std::make_unique<Recorder<FloatLerp>>(lerp);
    lerp.advance(0.5f);
    FloatLerp copy(lerp);
    EXPECT_EQ(copy.t, 0.5f);
    EXPECT_FLOAT_EQ(copy.value, 1.0f);
    copy.advance(0.5f);
    EXPECT_EQ(rec->events, (Events{"changed", "end", "changed"}));
    // The recorder's end unlinks it from both.
    rec.reset();
    lerp.advance(0.1f);
    copy.advance(-0.1f);
}

TEST(Interpolation, VectorsAndColoursMoveComponentWise)
{
    Ulvo::Interpolation<D3DXVECTOR2, float> v2(D3DXVECTOR2(0.0f, 10.0f));
    v2.end = D3DXVECTOR2(4.0f, 20.0f);
    v2.setParam(0.25f);
    EXPECT_FLOAT_EQ(v2.value.x, 1.0f);
    EXPECT_FLOAT_EQ(v2.value.y, 12.5f);

    Ulvo::Interpolation<D3DXVECTOR4, float> v4(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    v4.set(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f), D3DXVECTOR4(2.0f, -2.0f, 4.0f, 0.0f), 0.5f);
    EXPECT_FLOAT_EQ(v4.value.x, 1.0f);
    EXPECT_FLOAT_EQ(v4.value.y, -1.0f);
    EXPECT_FLOAT_EQ(v4.value.z, 2.0f);
    EXPECT_FLOAT_EQ(v4.value.w, 0.5f);

    Ulvo::Interpolation<D3DXCOLOR, float> colour(D3DXCOLOR(1.0f, 0.0f, 0.0f, 1.0f));
    colour.end = D3DXCOLOR(0.0f, 0.0f, 1.0f, 0.0f);
    colour.exponent = 2.0f;
    colour.running = true;
    colour.speed = 0.5f;
    colour.update(1.0f);
    EXPECT_FLOAT_EQ(colour.value.r, 0.75f);
    EXPECT_FLOAT_EQ(colour.value.g, 0.0f);
    EXPECT_FLOAT_EQ(colour.value.b, 0.25f);
    EXPECT_FLOAT_EQ(colour.value.a, 0.75f);
}

} // namespace
