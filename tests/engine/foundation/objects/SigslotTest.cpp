#include "foundation/sigslot.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

class Receiver : public sigslot::has_slots<> {
public:
    Receiver(std::string name, Calls& calls) : m_name(std::move(name)), m_calls(&calls) {}

    void on0() { record(""); }
    void on1(int a) { record(std::to_string(a)); }
    void on2(int a, const std::string& b) { record(std::to_string(a) + "," + b); }
    void on3(int a, int b, int c) { record(std::to_string(a + b + c)); }
    void on4(int a, int b, int c, int d) { record(std::to_string(a * b * c * d)); }

    // Runs an action the first time the slot is called, then records.
    void onAct(int a)
    {
        record(std::to_string(a));
        if (action) {
            auto run = std::move(action);
            action = nullptr;
            run();
        }
    }

    std::function<void()> action;

private:
    void record(const std::string& text) { m_calls->push_back(m_name + ":" + text); }

    std::string m_name;
    Calls* m_calls;
};

struct Owner {
    sigslot::signal1<int> signal;
};

TEST(Sigslot, EverySignalArityDeliversItsArguments)
{
    Calls calls;
    Receiver r("r", calls);
    sigslot::signal0<> s0;
    sigslot::signal1<int> s1;
    sigslot::signal2<int, const std::string&> s2;
    sigslot::signal3<int, int, int> s3;
    sigslot::signal4<int, int, int, int> s4;
    s0.connect(&r, &Receiver::on0);
    s1.connect(&r, &Receiver::on1);
    s2.connect(&r, &Receiver::on2);
    s3.connect(&r, &Receiver::on3);
    s4.connect(&r, &Receiver::on4);

    s0.emit();
    s1.emit(7);
    s2(8, "x");
    s3.emit(1, 2, 3);
    s4.emit(2, 3, 4, 5);
    EXPECT_EQ(calls, (Calls{"r:", "r:7", "r:8,x", "r:6", "r:120"}));
}

TEST(Sigslot, SlotsRunInConnectionOrderAndDisconnectRemovesEveryConnectionOfAnObject)
{
    Calls calls;
    Receiver a("a", calls);
    Receiver b("b", calls);
    sigslot::signal1<int> s;
    s.connect(&a, &Receiver::on1);
    s.connect(&b, &Receiver::on1);
    s.connect(&a, &Receiver::on1);
    EXPECT_EQ(s.connection_count(), 3u);
    s.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1", "b:1", "a:1"}));

    s.disconnect(&a);
    EXPECT_FALSE(s.is_connected_to(&a));
    calls.clear();
    s.emit(2);
    EXPECT_EQ(calls, (Calls{"b:2"}));
}

TEST(Sigslot, DestroyedReceiverDisconnectsFromEverySignal)
{
    Calls calls;
    sigslot::signal1<int> s1;
    sigslot::signal0<> s0;
    {
        Receiver r("r", calls);
        s1.connect(&r, &Receiver::on1);
        s1.connect(&r, &Receiver::on1);
        s0.connect(&r, &Receiver::on0);
    }
    EXPECT_TRUE(s1.empty());
    EXPECT_TRUE(s0.empty());
    s1.emit(1);
    s0.emit();
    EXPECT_TRUE(calls.empty());
}

TEST(Sigslot, DestroyedSignalUnlinksItselfFromItsReceivers)
{
    Calls calls;
    Receiver r("r", calls);
    {
        sigslot::signal1<int> s;
        s.connect(&r, &Receiver::on1);
    }
    // The receiver must not reach back into the dead signal; ASan checks this.
    r.disconnect_all();
}

TEST(Sigslot, DisconnectingTheRunningAndTheNextSlotDuringAnEmission)
{
    Calls calls;
    sigslot::signal1<int> s;
    Receiver a("a", calls);
    Receiver b("b", calls);
    Receiver c("c", calls);
    s.connect(&a, &Receiver::onAct);
    s.connect(&b, &Receiver::on1);
    s.connect(&c, &Receiver::on1);
    a.action = [&] {
        s.disconnect(&a);
        s.disconnect(&b);
    };

    s.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1", "c:1"}));
    EXPECT_EQ(s.connection_count(), 1u);

    calls.clear();
    s.emit(2);
    EXPECT_EQ(calls, (Calls{"c:2"}));
}

TEST(Sigslot, DisconnectAllDuringAnEmissionStopsTheRemainingSlots)
{
    Calls calls;
    sigslot::signal1<int> s;
    Receiver a("a", calls);
    Receiver b("b", calls);
    s.connect(&a, &Receiver::onAct);
    s.connect(&b, &Receiver::on1);
    a.action = [&] { s.disconnect_all(); };
    s.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1"}));
    EXPECT_TRUE(s.empty());
    // Both receivers forgot the signal, so destroying them later touches nothing.
    a.disconnect_all();
    b.disconnect_all();
}

TEST(Sigslot, ReceiverDestroyedByItsOwnSlotDuringAnEmission)
{
    Calls calls;
    sigslot::signal1<int> s;
    auto* a = new Receiver("a", calls);
    Receiver b("b", calls);
    s.connect(a, &Receiver::onAct);
    s.connect(&b, &Receiver::on1);
    a->action = [a] { delete a; };
    s.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1", "b:1"}));
    EXPECT_EQ(s.connection_count(), 1u);
}

TEST(Sigslot, SlotConnectedDuringAnEmissionIsCalledFromTheNextOneOn)
{
    Calls calls;
    sigslot::signal1<int> s;
    Receiver a("a", calls);
    Receiver b("b", calls);
    s.connect(&a, &Receiver::onAct);
    a.action = [&] {
        // Enough connections to make the list grow while it is walked.
        for (int i = 0; i < 16; ++i)
            s.connect(&b, &Receiver::on1);
    };
    s.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1"}));

    calls.clear();
    s.emit(2);
    ASSERT_EQ(calls.size(), 17u);
    EXPECT_EQ(calls.front(), "a:2");
    EXPECT_EQ(calls.back(), "b:2");
}

TEST(Sigslot, OwnerDeletedInsideASlotStopsTheEmission)
{
    Calls calls;
    auto* owner = new Owner;
    Receiver a("a", calls);
    Receiver b("b", calls);
    owner->signal.connect(&a, &Receiver::onAct);
    owner->signal.connect(&b, &Receiver::on1);
    a.action = [owner] { delete owner; };
    owner->signal.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1"}));
    // The receivers were unlinked by the dead signal: nothing dangles.
    a.disconnect_all();
}

TEST(Sigslot, OwnerDeletedInANestedEmissionStopsTheOuterOneToo)
{
    Calls calls;
    auto* owner = new Owner;
    Receiver a("a", calls);
    Receiver b("b", calls);
    Receiver c("c", calls);
    owner->signal.connect(&a, &Receiver::onAct);
    owner->signal.connect(&b, &Receiver::onAct);
    owner->signal.connect(&c, &Receiver::on1);
    // a re-emits; in the inner emission b deletes the owner.
    a.action = [owner] { owner->signal.emit(2); };
    b.action = [owner] { delete owner; };
    owner->signal.emit(1);
    EXPECT_EQ(calls, (Calls{"a:1", "a:2", "b:2"}));
}

TEST(Sigslot, CopiedReceiverGetsEveryConnectionOfTheOriginal)
{
    Calls calls;
    sigslot::signal1<int> s1;
    sigslot::signal0<> s0;
    Receiver original("r", calls);
    s1.connect(&original, &Receiver::on1);
    s0.connect(&original, &Receiver::on0);
    {
        Receiver copy(original);
        EXPECT_TRUE(s1.is_connected_to(&copy));
        EXPECT_TRUE(s0.is_connected_to(&copy));
        s1.emit(3);
        EXPECT_EQ(calls, (Calls{"r:3", "r:3"}));
    }
    // The copy's end removed only its own connections.
    EXPECT_EQ(s1.connection_count(), 1u);
    EXPECT_EQ(s0.connection_count(), 1u);
    calls.clear();
    s0.emit();
    EXPECT_EQ(calls, (Calls{"r:"}));
}

TEST(Sigslot, AssignedReceiverKeepsItsOwnConnections)
{
    Calls calls;
    sigslot::signal1<int> s;
    Receiver a("a", calls);
    Receiver b("b", calls);
    s.connect(&a, &Receiver::on1);
    b = a;
    EXPECT_FALSE(s.is_connected_to(&b));
    EXPECT_TRUE(s.is_connected_to(&a));
}

TEST(Sigslot, CopiedSignalIsConnectedToTheSameSlots)
{
    Calls calls;
    auto receiver = std::make_unique<Receiver>("r", calls);
    sigslot::signal1<int> original;
    original.connect(receiver.get(), &Receiver::on1);
    {
        sigslot::signal1<int> copy(original);
        copy.emit(4);
        EXPECT_EQ(calls, (Calls{"r:4"}));
    }
    // The copy's end leaves the original's connection alone.
    original.emit(5);
    EXPECT_EQ(calls, (Calls{"r:4", "r:5"}));

    sigslot::signal1<int> assigned;
    assigned = original;
    // A receiver that ends unlinks itself from the original and the copies.
    receiver.reset();
    EXPECT_TRUE(original.empty());
    EXPECT_TRUE(assigned.empty());
}

TEST(Sigslot, DisconnectAllOnEitherSide)
{
    Calls calls;
    sigslot::signal1<int> s1;
    sigslot::signal1<int> s2;
    Receiver a("a", calls);
    Receiver b("b", calls);
    s1.connect(&a, &Receiver::on1);
    s1.connect(&b, &Receiver::on1);
    s2.connect(&a, &Receiver::on1);

    s1.disconnect_all();
    EXPECT_TRUE(s1.empty());
    EXPECT_TRUE(s2.is_connected_to(&a));

    a.disconnect_all();
    EXPECT_TRUE(s2.empty());
    s1.emit(1);
    s2.emit(1);
    EXPECT_TRUE(calls.empty());

    // Connections made afterwards work as usual.
    s1.connect(&b, &Receiver::on1);
    s1.emit(2);
    EXPECT_EQ(calls, (Calls{"b:2"}));
}

} // namespace
