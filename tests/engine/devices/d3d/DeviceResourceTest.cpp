// Holders of device resources follow one source's lost and reset signals through their
// base: once, moving between sources, and never past either side's end.
#include "devices/d3d/DeviceResource.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Ulvo;

namespace {

struct Holder : DeviceResource {
    int lost = 0;
    int reset = 0;
    void onLostDevice() override { ++lost; }
    void onResetDevice() override { ++reset; }
};

void cycle(DeviceLossSignals& source)
{
    source.lostDevice.emit();
    source.resetDevice.emit();
}

} // namespace

TEST(DeviceResource, FollowsOneSourceOnceAndMovesBetweenSources)
{
    DeviceLossSignals device;
    DeviceLossSignals renderer;
    Holder holder;
    EXPECT_FALSE(holder.isFollowingDevice());

    holder.followDevice(device);
    holder.followDevice(device);
    cycle(device);
    EXPECT_EQ(holder.lost, 1);
    EXPECT_EQ(holder.reset, 1);

    holder.followDevice(renderer);
    cycle(device);
    cycle(renderer);
    EXPECT_EQ(holder.lost, 2);
    EXPECT_EQ(holder.reset, 2);

    // A copy follows nothing until told; the original keeps following.
    Holder copy(holder);
    EXPECT_FALSE(copy.isFollowingDevice());
    cycle(renderer);
    EXPECT_EQ(copy.lost, 2);
    EXPECT_EQ(holder.lost, 3);

    holder.stopFollowingDevice();
    EXPECT_FALSE(holder.isFollowingDevice());
    cycle(renderer);
    EXPECT_EQ(holder.lost, 3);
}

TEST(DeviceResource, EitherSideMayGoFirst)
{
    Holder holder;
    {
        DeviceLossSignals gone;
        holder.followDevice(gone);
    }
    holder.stopFollowingDevice();

    DeviceLossSignals device;
    holder.followDevice(device);
    auto early = std::make_unique<Holder>();
    early->followDevice(device);
    early.reset();
    cycle(device);
    EXPECT_EQ(holder.lost, 1);
    EXPECT_EQ(holder.reset, 1);
}
