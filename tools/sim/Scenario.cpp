#include "Scenario.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace ryvo::sim {

namespace {

bool ParseLong(const std::string& text, long& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

bool ParseInt16(const std::string& text, std::int16_t& value) {
    long v = 0;
    if (!ParseLong(text, v) || v < -32768 || v > 32767) {
        return false;
    }
    value = static_cast<std::int16_t>(v);
    return true;
}

bool ParseMs(const std::string& text, std::uint32_t& value) {
    long v = 0;
    if (!ParseLong(text, v) || v < 0) {
        return false;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

class LineParser {
public:
    LineParser(DeviceModel& model, std::vector<std::string> words)
        : m_model(model), m_words(std::move(words)) {}

    // Empty string on success, else what is wrong.
    std::string Apply() {
        const std::string& keyword = m_words[0];
        if (keyword == "fault") {
            return Fault();
        }
        if (m_words.size() < 3) {
            return "too few values for '" + keyword + "'";
        }
        long lane = 0;
        if (!ParseLong(m_words[1], lane) || lane < 0 || lane >= kSimLanes) {
            return "lane must be 0 to 4";
        }
        LaneModel& model = m_model.Lane(static_cast<int>(lane));
        if (keyword == "aim") {
            return Aim(model);
        }
        if (keyword == "level") {
            long level = 0;
            if (!ParseLong(m_words[2], level) || level < 0 || level > 65535) {
                return "level must be 0 to 65535";
            }
            model.level = static_cast<std::uint16_t>(level);
            return {};
        }
        if (keyword == "trigger") {
            std::vector<std::uint32_t> times;
            for (size_t i = 2; i < m_words.size(); ++i) {
                std::uint32_t ms = 0;
                if (!ParseMs(m_words[i], ms)) {
                    return "bad trigger time '" + m_words[i] + "'";
                }
                times.push_back(ms);
            }
            model.triggers.Schedule(std::move(times));
            return {};
        }
        if (keyword == "pending") {
            long mask = 0;
            if (!ParseLong(m_words[2], mask) || mask < 0 || mask > 255) {
                return "pending mask must be 0 to 255";
            }
            model.pendingOverride = static_cast<std::uint8_t>(mask);
            return {};
        }
        return "unknown directive '" + keyword + "'";
    }

private:
    std::string Aim(LaneModel& model) {
        const std::string& kind = m_words[2];
        Signal point;
        if (kind == "fixed" || kind == "noise") {
            if (m_words.size() < 5 || !ParseInt16(m_words[3], point.x) ||
                !ParseInt16(m_words[4], point.y)) {
                return "aim " + kind + " needs x and y (-32768 to 32767)";
            }
        }
        if (kind == "fixed") {
            model.aim = std::make_unique<FixedAim>(point);
            return {};
        }
        if (kind == "noise") {
            long amplitude = 0;
            long seed = 1;
            if (m_words.size() < 6 || !ParseLong(m_words[5], amplitude) || amplitude < 0 ||
                amplitude > 32767) {
                return "aim noise needs an amplitude of 0 to 32767";
            }
            if (m_words.size() > 6 && (!ParseLong(m_words[6], seed) || seed < 0)) {
                return "bad noise seed";
            }
            model.aim = std::make_unique<NoiseAim>(point, static_cast<int>(amplitude),
                                                   static_cast<std::uint32_t>(seed));
            return {};
        }
        if (kind == "path") {
            std::vector<ScriptedAim::Point> points;
            for (size_t i = 3; i < m_words.size(); ++i) {
                const std::string& word = m_words[i];
                const auto colon = word.find(':');
                const auto comma = word.find(',', colon == std::string::npos ? 0 : colon);
                ScriptedAim::Point p;
                if (colon == std::string::npos || comma == std::string::npos ||
                    !ParseMs(word.substr(0, colon), p.ms) ||
                    !ParseInt16(word.substr(colon + 1, comma - colon - 1), p.signal.x) ||
                    !ParseInt16(word.substr(comma + 1), p.signal.y)) {
                    return "bad path point '" + word + "' (want ms:x,y)";
                }
                points.push_back(p);
            }
            if (points.empty()) {
                return "aim path needs at least one point";
            }
            model.aim = std::make_unique<ScriptedAim>(std::move(points));
            return {};
        }
        return "unknown aim '" + kind + "' (fixed, path or noise)";
    }

    std::string Fault() {
        if (m_words.size() < 2) {
            return "fault needs a name";
        }
        const auto fault = FaultByName(m_words[1]);
        if (!fault) {
            return "unknown fault '" + m_words[1] + "'";
        }
        Faults::Entry entry{*fault};
        for (size_t i = 2; i < m_words.size(); ++i) {
            const std::string& word = m_words[i];
            const auto eq = word.find('=');
            const std::string key = word.substr(0, eq);
            const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
            long v = 0;
            if (eq == std::string::npos || !ParseLong(value, v) || v < 0) {
                return "bad fault option '" + word + "'";
            }
            if (key == "lane" && v < kSimLanes) {
                entry.lane = static_cast<int>(v);
            } else if (key == "from") {
                entry.fromMs = static_cast<std::uint32_t>(v);
            } else if (key == "until") {
                entry.untilMs = static_cast<std::uint32_t>(v);
            } else {
                return "bad fault option '" + word + "'";
            }
        }
        m_model.GetFaults().Add(entry);
        return {};
    }

    DeviceModel& m_model;
    std::vector<std::string> m_words;
};

} // namespace

ScenarioResult ApplyScenario(const std::string& text, DeviceModel& model) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;) {
            tokens.push_back(word);
        }
        if (tokens.empty()) {
            continue;
        }
        const std::string error = LineParser(model, std::move(tokens)).Apply();
        if (!error.empty()) {
            return {false, "line " + std::to_string(number) + ": " + error};
        }
    }
    return {};
}

} // namespace ryvo::sim
