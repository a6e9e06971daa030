// PollLane fed arbitrary device answers through a scripted port, against a small model of
// the frame rules: which bytes go out (polls, and acknowledges only for accepted frames
// with the trigger flag), which values are stored, and which aiming samples reach the
// window.
//
// Input: TimeGun (2 bytes), active lanes, signal level, level window, poll count, the lane
// of each poll; then one answer per poll byte the device receives: a control byte (low
// nibble: bytes sent, at most 9; 0x10: header names the polled lane; 0x20: checksum made
// right) and 9 frame bytes. When the input runs out the device is silent.

#include "FuzzSupport.h"

#include "core/ProgramState.h"
#include "device/TFormShoot.h"
#include "platform/SerialPort.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace ryvo;

namespace {

constexpr int kLanes = 5;

// What the device sends for one poll of lane `polled`, taken from the answer stream.
class AnswerStream {
public:
    AnswerStream(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::vector<std::uint8_t> Next(int polled) {
        if (m_pos >= m_size) {
            return {};
        }
        std::array<std::uint8_t, 10> chunk{};
        for (std::size_t i = 0; i < chunk.size() && m_pos < m_size; ++i) {
            chunk[i] = m_data[m_pos++];
        }
        const std::uint8_t control = chunk[0];
        std::vector<std::uint8_t> frame(chunk.begin() + 1, chunk.end());
        if ((control & 0x10U) != 0) {
            frame[0] = static_cast<std::uint8_t>((frame[0] & 0xF0U) | (polled + 1));
        }
        if ((control & 0x20U) != 0) {
            unsigned sum = 0;
            for (int i = 0; i < 8; ++i) {
                sum += frame[static_cast<size_t>(i)];
            }
            frame[8] = static_cast<std::uint8_t>(sum);
        }
        frame.resize(std::min<std::size_t>(control & 0x0FU, 9));
        return frame;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The device end of the line: a poll byte makes the next answer readable, replacing what
// was left unread of the previous one.
class ScriptedPort final : public SerialPort {
public:
    explicit ScriptedPort(AnswerStream answers) : m_answers(answers) {}
    bool IsOpen() const override { return true; }
    bool SettingsApplied() const override { return true; }
    bool WriteByte(std::uint8_t value) override {
        sent.push_back(value);
        if (value >= 0x70 && value < 0x70 + kLanes) {
            m_unread = m_answers.Next(value - 0x70);
        }
        return true;
    }
    int Read(std::uint8_t* buffer, int count) override {
        const int n = std::min<int>(count, static_cast<int>(m_unread.size()));
        std::copy_n(m_unread.begin(), n, buffer);
        m_unread.erase(m_unread.begin(), m_unread.begin() + n);
        return n;
    }
    void Close() override {}

    std::vector<std::uint8_t> sent;

private:
    AnswerStream m_answers;
    std::vector<std::uint8_t> m_unread;
};

struct Sample {
    std::uint32_t level;
    int lane;
    float x;
    float y;
};

class Window final : public TFormShoot {
public:
    using TFormShoot::TFormShoot;
    void AddTraceSample(std::uint32_t level, int lane, float x, float y) override {
        samples.push_back({level, lane, x, y});
    }
    std::vector<Sample> samples;
};

struct Config {
    std::int32_t timeGun = 0;
    std::array<bool, kLanes> active{};
    float signalLevel = 0;
    float low = 0;
    float high = 0;
};

// The model: what the link keeps, and one poll by the rules of the frame.
struct Model {
    std::array<std::int16_t, kLanes> rawTrigger{}, rawX{}, rawY{};
    std::array<std::uint16_t, kLanes> rawLevel{};
    std::array<std::int32_t, kLanes> trigger{}, level{};
    std::array<float, kLanes> posX{}, posY{}, histX{}, histY{};
    std::int32_t lastLevel = 0;

    std::vector<std::uint8_t> sent;
    std::vector<Sample> samples;

    struct Frame {
        int lane;     // low nibble - 1
        bool trigger; // bit 7
        std::uint8_t pending;
        std::int16_t x, y;
        std::uint16_t level;
        bool sumOk;
    };

    static Frame Decode(const std::vector<std::uint8_t>& b) {
        auto word = [&](int at) {
            return static_cast<std::uint16_t>(b[static_cast<size_t>(at)] << 8 |
                                              b[static_cast<size_t>(at) + 1]);
        };
        unsigned sum = 0;
        for (int i = 0; i < 8; ++i) {
            sum += b[static_cast<size_t>(i)];
        }
        const std::uint16_t level = word(6);
        return {(b[0] & 0x0F) - 1,
                (b[0] & 0x80) != 0,
                b[1],
                static_cast<std::int16_t>(word(2)),
                static_cast<std::int16_t>(word(4)),
                level == 0 ? std::uint16_t{1} : level,
                (sum & 0xFFU) == b[8]};
    }

    void KeepRaw(int k, const Frame& f) {
        rawTrigger[k] = f.trigger ? 1 : 0;
        rawX[k] = f.x;
        rawY[k] = f.y;
        rawLevel[k] = f.level;
    }

    int Poll(int lane, const Config& c, AnswerStream& device) {
        if (lane < 0 || lane >= kLanes) {
            return -1;
        }
        sent.push_back(static_cast<std::uint8_t>(0x70 + lane));
        const auto answer = device.Next(lane);
        if (answer.size() < 9) {
            return -1;
        }
        const Frame f = Decode(answer);
        if (f.lane == lane) {
            KeepRaw(lane, f);
            const std::uint8_t own = static_cast<std::uint8_t>(1U << lane);
            std::uint8_t pending = f.pending & static_cast<std::uint8_t>(~own);
            if (f.sumOk) {
                if (f.trigger) {
                    sent.push_back(static_cast<std::uint8_t>(0x80 + lane));
                }
                float s = 1.0F - static_cast<float>(c.timeGun) / 100.0F;
                s = s < 0.0F ? 0.01F : std::min(s, 1.0F);
                trigger[lane] = f.trigger ? 1 : 0;
                histX[lane] = (1.0F - s) * histX[lane] + s * f.x / static_cast<float>(f.level);
                histY[lane] = (1.0F - s) * histY[lane] + s * f.y / static_cast<float>(f.level);
                posX[lane] = histX[lane];
                posY[lane] = histY[lane];
                level[lane] = f.level;
                lastLevel = f.level;
                for (int k = 0; k < kLanes; ++k) {
                    if (k == lane || (pending >> k & 1) == 0) {
                        continue;
                    }
                    sent.push_back(static_cast<std::uint8_t>(0x70 + k));
                    const auto other = device.Next(k);
                    if (other.size() < 9) {
                        continue;
                    }
                    const Frame g = Decode(other);
                    if (g.lane != k) {
                        continue;
                    }
                    KeepRaw(k, g);
                    pending = g.pending & static_cast<std::uint8_t>(~own);
                    if (g.sumOk) {
                        trigger[k] = g.trigger ? 1 : 0;
                        level[k] = g.level;
                        histX[k] = posX[k] = g.x / static_cast<float>(g.level);
                        histY[k] = posY[k] = g.y / static_cast<float>(g.level);
                        if (g.trigger) {
                            sent.push_back(static_cast<std::uint8_t>(0x80 + k));
                        }
                    }
                }
                if (f.trigger) {
                    sent.push_back(static_cast<std::uint8_t>(0x80 + lane));
                }
            }
        }
        const auto stored = static_cast<float>(level[lane]);
        if (c.active[lane] && c.low * c.signalLevel <= stored && stored <= c.high * c.signalLevel &&
            trigger[lane] == 0) {
            samples.push_back(
                {static_cast<std::uint32_t>(level[lane]), lane, posX[lane], posY[lane]});
        }
        return lane;
    }
};

bool Near(float a, float b) {
    return std::fabs(a - b) <= 1e-5F * std::max({1.0F, std::fabs(a), std::fabs(b)});
}

void Compare(const Model& m, const DeviceValues& d, const Window& w, const ScriptedPort& port) {
    FUZZ_CHECK(port.sent == m.sent);
    FUZZ_CHECK(d.RawTrigger == m.rawTrigger && d.RawX == m.rawX && d.RawY == m.rawY);
    FUZZ_CHECK(d.RawLevel == m.rawLevel);
    FUZZ_CHECK(d.Trigger == m.trigger && d.Level == m.level && d.LastLevel == m.lastLevel);
    for (int k = 0; k < kLanes; ++k) {
        FUZZ_CHECK(Near(d.PosX[k], m.posX[k]) && Near(d.PosY[k], m.posY[k]));
        FUZZ_CHECK(Near(d.TraceHistX[k][0], m.histX[k]) && Near(d.TraceHistY[k][0], m.histY[k]));
        FUZZ_CHECK(d.PosX[k] == d.TraceHistX[k][0] && d.PosY[k] == d.TraceHistY[k][0]);
    }
    FUZZ_CHECK(w.samples.size() == m.samples.size());
    for (size_t i = 0; i < m.samples.size(); ++i) {
        const Sample& a = w.samples[i];
        const Sample& b = m.samples[i];
        FUZZ_CHECK(a.level == b.level && a.lane == b.lane && Near(a.x, b.x) && Near(a.y, b.y));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 6;
    if (size < kHeader) {
        return -1; // not kept in the corpus
    }
    Config config;
    config.timeGun = static_cast<std::int16_t>(data[0] << 8 | data[1]);
    for (int k = 0; k < kLanes; ++k) {
        config.active[static_cast<size_t>(k)] = (data[2] >> k & 1) != 0;
    }
    config.signalLevel = static_cast<float>(data[3]) * 64.0F;
    config.low = static_cast<float>(data[4] & 0x0F) / 16.0F;
    config.high = config.low + static_cast<float>(data[4] >> 4) / 8.0F;
    const std::size_t polls = std::min<std::size_t>(1 + data[5] % 8, size - kHeader);
    const std::uint8_t* lanes = data + kHeader;
    const std::uint8_t* answers = lanes + polls;
    const std::size_t answerBytes = size - kHeader - polls;

    // One state for the whole run: building the position histories for every input would
    // cost more than the poll itself.
    static ProgramState* state = new ProgramState;
    state->Device.RawTrigger = {};
    state->Device.RawX = {};
    state->Device.RawY = {};
    state->Device.RawLevel = {};
    state->Device.Trigger = {};
    state->Device.Level = {};
    state->Device.PosX = {};
    state->Device.PosY = {};
    state->Device.LastLevel = 0;
    for (int k = 0; k < kLanes; ++k) {
        state->Device.TraceHistX[k][0] = 0.0F;
        state->Device.TraceHistY[k][0] = 0.0F;
        state->run.LaneActive[k] = config.active[static_cast<size_t>(k)] ? 1 : 0;
    }
    state->settings.TimeGun = config.timeGun;
    state->SignalLevel = config.signalLevel;
    state->SignalLowFactor = config.low;
    state->SignalHighFactor = config.high;
    auto owned = std::make_unique<ScriptedPort>(AnswerStream(answers, answerBytes));
    ScriptedPort& port = *owned;
    state->Port = std::move(owned);

    Window window(*state, Services{});
    Model model;
    AnswerStream modelDevice(answers, answerBytes);
    for (std::size_t p = 0; p < polls; ++p) {
        const int lane = lanes[p] % 7 - 1; // -1..5: lanes outside 0..4 are refused
        const int expected = model.Poll(lane, config, modelDevice);
        FUZZ_CHECK(window.PollLane(lane) == expected);
        Compare(model, state->Device, window, port);
    }
    state->Port.reset();
    return 0;
}
