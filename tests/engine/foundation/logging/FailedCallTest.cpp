#include "foundation/logging/FailedCall.h"

#include "foundation/helpers/Release.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int g_firstLine = 0;
int g_secondLine = 0;

HRESULT storeThing(HRESULT first, HRESULT second, int& reached)
{
    g_firstLine = __LINE__ + 1;
    ULVO_CHECK_RESULT(L"Ulvo::Thing::store", first);
    reached = 1;
    g_secondLine = __LINE__ + 1;
    ULVO_CHECK(L"Ulvo::Thing::store", second, E_INVALIDARG);
    reached = 2;
    return S_OK;
}

TEST(FailedCall, LogsCallLineAndFunctionAndReturnsTheCallersFailure)
{
    LogCapture capture;
    int reached = 0;
    EXPECT_EQ(storeThing(S_OK, S_FALSE, reached), S_OK);
    EXPECT_EQ(reached, 2);
    EXPECT_EQ(capture.text().find("failed!"), std::string::npos) << "a success or S_FALSE is no failure";

    EXPECT_EQ(storeThing(E_OUTOFMEMORY, S_OK, reached = 0), E_OUTOFMEMORY);
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(storeThing(S_OK, E_FAIL, reached = 0), E_INVALIDARG);
    EXPECT_EQ(reached, 1);

    const std::string text = capture.text();
    const std::string firstLine = "ERROR  Ulvo::Thing::store Line: " + std::to_string(g_firstLine) + " first failed!\n";
    const std::string secondLine =
        "ERROR  Ulvo::Thing::store Line: " + std::to_string(g_secondLine) + " second failed!\n";
    EXPECT_NE(text.find(firstLine), std::string::npos) << text;
    EXPECT_NE(text.find(secondLine), std::string::npos) << text;
}

TEST(FailedCall, FixedTextsAndOtherEndingsGoToTheGivenLogger)
{
    LogCapture capture;
    Ulvo::logFailedCall(Ulvo::moduleLogger(Ulvo::LogModule::Sound), L"Ulvo::SoundInterface::init", 77,
                        L"start = cue->start()", L" returned false!");
    EXPECT_TRUE(Ulvo::failedCall(E_FAIL, L"Ulvo::X::y", 12, L"d3d.getDevice()->Clear()"));
    EXPECT_NE(capture.text("SoundInterface.log")
                  .find("ERROR  Ulvo::SoundInterface::init Line: 77 start = cue->start() returned false!\n"),
              std::string::npos);
    EXPECT_NE(capture.text().find("ERROR  Ulvo::X::y Line: 12 d3d.getDevice()->Clear() failed!\n"), std::string::npos);
}

// Counts its references; the release that reaches zero records what its owner held then.
struct Counted {
    int references = 1;
    Counted** seenFrom = nullptr;
    Counted* seen = reinterpret_cast<Counted*>(1);
    void AddRef() { ++references; }
    void Release()
    {
        if (--references == 0 && seenFrom)
            seen = *seenFrom;
    }
};

TEST(Release, ClearsBeforeReleasingAndTakesTheNewReferenceFirst)
{
    Counted object;
    Counted* held = &object;
    object.seenFrom = &held;
    Ulvo::releaseAndNull(held);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(object.references, 0);
    EXPECT_EQ(object.seen, nullptr) << "the owner's pointer is cleared before the release runs";
    Ulvo::releaseAndNull(held); // nothing held: nothing happens

    Counted a, b;
    std::vector<Counted*> list{&a, nullptr, &b};
    Ulvo::releaseAndClear(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(a.references, 0);
    EXPECT_EQ(b.references, 0);

    Counted only;
    Counted* slot = &only;
    Ulvo::holdReference(slot, &only); // holding the same object again keeps it alive
    EXPECT_EQ(only.references, 1);
    Counted other;
    Ulvo::holdReference(slot, &other);
    EXPECT_EQ(slot, &other);
    EXPECT_EQ(only.references, 0);
    EXPECT_EQ(other.references, 2);
}

} // namespace
