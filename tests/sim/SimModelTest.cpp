#include "DeviceModel.h"
#include "Scenario.h"

#include <gtest/gtest.h>

using namespace ryvo::sim;

namespace {

std::vector<std::uint8_t> Poll(DeviceModel& model, int lane, double ms = 0.0) {
    return model.Receive(static_cast<std::uint8_t>(0x70 + lane), ms);
}

} // namespace

TEST(SimModel, FramesCarryLaneTriggerMaskAndChecksum) {
    DeviceModel model;
    model.Lane(1).aim = std::make_unique<FixedAim>(Signal{100, -200});
    model.Lane(1).level = 1000;
    model.Lane(3).triggers.Pull();
    EXPECT_EQ(Poll(model, 1),
              (std::vector<std::uint8_t>{0x02, 0x08, 0x00, 0x64, 0xFF, 0x38, 0x03, 0xE8, 0x90}));
    // The report stands until acknowledged, and only the acknowledge clears it.
    EXPECT_EQ(Poll(model, 3)[0], 0x84);
    EXPECT_EQ(Poll(model, 3)[0], 0x84);
    model.Receive(0x83, 1.0);
    EXPECT_EQ(Poll(model, 3)[0], 0x04);
    EXPECT_EQ(model.Lane(3).triggers.Acknowledged(), 1);
    EXPECT_EQ(model.Lane(3).polls, 3);
    // Bytes for lanes beyond 4 are logged and ignored.
    EXPECT_TRUE(model.Receive(0x75, 2.0).empty());
    EXPECT_EQ(model.Log().Count(0x75), 1);
}

TEST(SimModel, FaultsByNameAndTime) {
    for (const char* name :
         {"bad-checksum", "wrong-lane", "short-frame", "silence", "unplug", "garbage"}) {
        const auto fault = FaultByName(name);
        ASSERT_TRUE(fault.has_value()) << name;
        EXPECT_STREQ(FaultName(*fault), name);
    }
    EXPECT_FALSE(FaultByName("noise").has_value());

    DeviceModel model;
    model.GetFaults().Add({Fault::ShortFrame, 2, 100, 200});
    EXPECT_EQ(Poll(model, 2, 99).size(), 9u);
    EXPECT_EQ(Poll(model, 2, 100).size(), 8u);
    EXPECT_EQ(Poll(model, 1, 150).size(), 9u); // other lanes unaffected
    EXPECT_EQ(Poll(model, 2, 200).size(), 9u);

    model.GetFaults().Set(Fault::WrongLane, 0);
    const auto frame = Poll(model, 0);
    EXPECT_EQ(frame[0] & 0x0F, 2);
    unsigned sum = 0;
    for (int i = 0; i < 8; ++i) {
        sum += frame[static_cast<size_t>(i)];
    }
    EXPECT_EQ(frame[8], sum & 0xFF); // only the lane is wrong

    // Garbage answers any byte, lamp commands too, with nine bytes that never make a frame.
    DeviceModel other;
    other.GetFaults().Set(Fault::Garbage);
    for (int i = 0; i < 200; ++i) {
        const auto bytes = other.Receive(static_cast<std::uint8_t>(i % 2 == 0 ? 0x70 : 0x10), i);
        ASSERT_EQ(bytes.size(), 9u);
        unsigned total = 0;
        for (int b = 0; b < 8; ++b) {
            total += bytes[static_cast<size_t>(b)];
        }
        EXPECT_NE(bytes[8], total & 0xFF);
    }

    model.GetFaults().Set(Fault::Unplug);
    EXPECT_TRUE(Poll(model, 1).empty());
    EXPECT_TRUE(model.Unplugged(0));
}

TEST(SimModel, AimPaths) {
    ScriptedAim path({{1000, {100, 0}}, {0, {0, 0}}, {2000, {100, -100}}});
    EXPECT_EQ(path.At(0).x, 0);
    EXPECT_EQ(path.At(500).x, 50);
    EXPECT_EQ(path.At(1500).y, -50);
    EXPECT_EQ(path.At(99999).y, -100);

    NoiseAim a({1000, -1000}, 20, 7);
    NoiseAim b({1000, -1000}, 20, 7);
    bool moved = false;
    for (std::uint32_t t = 0; t < 200; ++t) {
        const Signal s = a.At(t);
        EXPECT_EQ(s.x, b.At(t).x); // the same seed repeats
        EXPECT_LE(std::abs(s.x - 1000), 20);
        EXPECT_LE(std::abs(s.y + 1000), 20);
        moved = moved || s.x != 1000;
    }
    EXPECT_TRUE(moved);
    NoiseAim edge({32767, -32768}, 100);
    EXPECT_LE(edge.At(0).x, 32767);
}

TEST(SimModel, ScenarioText) {
    DeviceModel model;
    const auto ok = ApplyScenario("# two lanes\n"
                                  "aim 0 path 0:0,0 100:1000,-1000   # a sweep\n"
                                  "level 0 2500\n"
                                  "trigger 0 50 20\n"
                                  "aim 4 noise 10 10 0 3\n"
                                  "pending 4 0x1F\n"
                                  "fault silence lane=2 from=10 until=20\n"
                                  "\n",
                                  model);
    ASSERT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(model.Lane(0).level, 2500);
    EXPECT_EQ(model.Lane(0).aim->At(50).x, 500);
    EXPECT_FALSE(model.Lane(0).triggers.Pending(19));
    EXPECT_TRUE(model.Lane(0).triggers.Pending(20));
    EXPECT_EQ(model.Lane(4).pendingOverride, std::optional<std::uint8_t>(0x1F));
    EXPECT_EQ(model.Lane(4).aim->At(0).x, 10);
    EXPECT_TRUE(Poll(model, 2, 15).empty());
    EXPECT_FALSE(Poll(model, 2, 25).empty());

    const std::pair<const char*, const char*> bad[] = {
        {"aim 5 fixed 0 0", "line 1: lane must be 0 to 4"},
        {"level 0 70000", "line 1: level must be 0 to 65535"},
        {"\naim 0 fixed 40000 0", "line 2: aim fixed needs x and y (-32768 to 32767)"},
        {"aim 0 path 10-20", "line 1: bad path point '10-20' (want ms:x,y)"},
        {"aim 0 wobble 1 2", "line 1: unknown aim 'wobble' (fixed, path or noise)"},
        {"trigger 1 soon", "line 1: bad trigger time 'soon'"},
        {"fault meltdown", "line 1: unknown fault 'meltdown'"},
        {"fault silence lane=9", "line 1: bad fault option 'lane=9'"},
        {"shoot 1 2", "line 1: unknown directive 'shoot'"},
        {"level 1", "line 1: too few values for 'level'"},
    };
    for (const auto& [text, error] : bad) {
        DeviceModel fresh;
        const auto result = ApplyScenario(text, fresh);
        EXPECT_FALSE(result.ok) << text;
        EXPECT_EQ(result.error, error);
    }
}
