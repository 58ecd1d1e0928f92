#pragma once
// A value that moves from a start to an end value while a parameter runs from
// 0 to 1, shaped by an exponent and announcing changes and arrivals.
// T needs +, - and * by P (plain numbers, D3DX vectors and colours).
#include "foundation/sigslot.h"

#include <cmath>

namespace Ulvo {

template <class T, class P> class Interpolation {
public:
    explicit Interpolation(const T& initial) : start(initial), end(initial), value(initial) {}
    // The default copy also copies the signals with their connections.
    Interpolation(const Interpolation&) = default;
    Interpolation& operator=(const Interpolation&) = default;
    virtual ~Interpolation() = default;

    // Advances the parameter by speed x dt while running; reaching an end
    // does not stop it, the owner clears running.
    virtual void update(P dt)
    {
        if (running)
            advance(speed * dt);
    }

    // 0: nothing changed, 1: the value changed, 3: the change also reached an end.
    unsigned advance(P delta)
    {
        if (delta == P(0))
            return 0;
        const P previous = t;
        t = clampParam(previous + delta);
        if (t == previous)
            return 0;
        value = shaped(t);
        return announce(previous);
    }

    // Jumps to a parameter; outside 0..1 it gives the start or end value.
    void setParam(P x)
    {
        const P previous = t;
        value = shaped(x);
        if (x == previous)
            return;
        t = clampParam(x);
        announce(previous);
    }

    // Sets both ends and the parameter; always announces.
    void set(const T& newStart, const T& newEnd, P x)
    {
        start = newStart;
        end = newEnd;
        t = clampParam(x);
        value = shaped(t);
        if (x >= P(1))
            reachedEnd.emit(*this);
        if (x <= P(0))
            reachedStart.emit(*this);
        changed.emit(*this);
    }

    sigslot::signal1<Interpolation&> reachedEnd;
    sigslot::signal1<Interpolation&> reachedStart;
    sigslot::signal1<Interpolation&> changed;
    T start;
    T end;
    T value;
    P t = P(0);
    P exponent = P(1);
    bool running = false;
    P speed = P(1);

private:
    static P clampParam(P x)
    {
        if (x > P(1))
            x = P(1);
        if (x < P(0))
            x = P(0);
        return x;
    }

    // The parameter is clamped before the power so that a parameter outside
    // 0..1 can never give a value beyond the ends (or NaN for a fractional
    // exponent of a negative number).
    T shaped(P x) const
    {
        P f = static_cast<P>(std::pow(clampParam(x), exponent));
        f = clampParam(f);
        return start + (end - start) * f;
    }

    // Emits the arrival and change signals after a move away from previous.
    unsigned announce(P previous)
    {
        unsigned result = 1;
        if (t <= P(0) && previous > P(0)) {
            result = 3;
            reachedStart.emit(*this);
        }
        if (t >= P(1) && previous < P(1)) {
            result = 3;
            reachedEnd.emit(*this);
        }
        changed.emit(*this);
        return result;
    }
};

} // namespace Ulvo
