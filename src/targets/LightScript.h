#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace ryvo {

inline constexpr const char* kDefaultScriptFile = "Targets.act";
inline constexpr int kMaxScriptLines = 100;
inline constexpr int kMaxScriptLineLength = 19;

enum ScriptCode : std::uint32_t {
    kLampOn = 1,
    kLampOff = 2,
    kPause = 3,
    kFlashes = 4,
    kStop = 10,
};

// One command of a light script. Targets count from 0 here and from 1 on screen.
struct ScriptCommand {
    std::uint32_t code = kStop;
    std::uint32_t target = 0;
    std::uint32_t count = 0;
    float seconds = 0.0F;
};

// "Включить подсветку мишени 1", "Пауза 2.0 сек", "Стоп", ...
QString ScreenText(const ScriptCommand& command);
// "1 0", "3 2.0", "4 0 3", "10": the line kept in memory and in the file.
QString MemoryLine(const ScriptCommand& command);

struct LoadedScript {
    bool opened = false;              // false: missing or unreadable, or refused
    std::vector<QString> screenTexts; // parallel to lines
    std::vector<QString> lines;
    QString error; // why a readable file was refused
};

// Reads a script with free white space between the numbers, up to its "10" line, an
// unknown code or the end of the file. A file that cannot be opened, or one that breaks
// the limits of 100 lines of 19 characters, gives the lone stop line with opened = false.
LoadedScript LoadScriptFile(const QString& path);

// The script that holds when no file can be used: a single stop line.
LoadedScript LoneStopScript();

// Writes one line per entry, atomically; false when nothing could be written.
bool SaveScriptFile(const QString& path, const std::vector<QString>& lines);

// Why a line may not enter a script, or nullopt when it may.
std::optional<QString> ScriptLimitError(qsizetype linesAfterInsert, const QString& line);

// Next command of a running script from line pos on; nullopt past the end of the lines
// (a script without its stop line stops there) or on a line that does not parse.
std::optional<ScriptCommand> ParseScriptLine(const QString& line);

} // namespace ryvo
