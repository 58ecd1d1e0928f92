// Linked into the test binaries whose tests start devices: as in the program, the engine
// object is built before any device, so its start-up takes and connects them in order.
#include "engine/UlvoEngine.h"

#include <gtest/gtest.h>

namespace {

class EngineFirst : public ::testing::Environment {
public:
    // After the test main has chosen the headless drivers, before the first test.
    void SetUp() override { Ulvo::UlvoEngine::getInstance(); }
};

const ::testing::Environment* const s_engineFirst = ::testing::AddGlobalTestEnvironment(new EngineFirst());

} // namespace
