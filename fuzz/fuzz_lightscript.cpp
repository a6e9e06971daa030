// The light-script reader on arbitrary files, and its round trip through the writer: the
// lines it keeps are the canonical form of each command, so saving and loading them again
// gives the same script, and the running parser reads each line as the same command.

#include "FuzzSupport.h"

#include "targets/LightScript.h"

using namespace ryvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString input = ryvo::fuzz::ScratchPath("input.act");
    static const QString output = ryvo::fuzz::ScratchPath("Targets.act");
    ryvo::fuzz::PutFile(input, data, size);

    const LoadedScript first = LoadScriptFile(input);
    FUZZ_CHECK(first.lines.size() == first.screenTexts.size());
    FUZZ_CHECK(first.lines.size() <= static_cast<size_t>(kMaxScriptLines));
    if (!first.opened) {
        // Refused: the lone stop line, and why.
        FUZZ_CHECK(!first.error.isEmpty());
        FUZZ_CHECK(first.lines == LoneStopScript().lines);
        return 0;
    }
    FUZZ_CHECK(first.error.isEmpty());
    for (size_t i = 0; i < first.lines.size(); ++i) {
        const QString& line = first.lines[i];
        FUZZ_CHECK(line.size() <= kMaxScriptLineLength);
        FUZZ_CHECK(!ScriptLimitError(static_cast<qsizetype>(i) + 1, line));
        const auto command = ParseScriptLine(line);
        FUZZ_CHECK(command.has_value());
        FUZZ_CHECK(MemoryLine(*command) == line);
        FUZZ_CHECK(ScreenText(*command) == first.screenTexts[i]);
        // Only the last line may stop the script.
        FUZZ_CHECK((command->code == kStop) == (line == QLatin1String("10")));
        FUZZ_CHECK(command->code != kStop || i + 1 == first.lines.size());
    }

    FUZZ_CHECK(SaveScriptFile(output, first.lines));
    const LoadedScript second = LoadScriptFile(output);
    FUZZ_CHECK(second.opened && second.error.isEmpty());
    FUZZ_CHECK(second.lines == first.lines);
    FUZZ_CHECK(second.screenTexts == first.screenTexts);
    return 0;
}
