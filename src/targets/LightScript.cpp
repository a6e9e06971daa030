#include "targets/LightScript.h"

#include "platform/TextFile.h"

#include <cstdio>

namespace ryvo {

namespace {

QString Format(const char* format, auto... args) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return QString::fromLatin1(buffer, n < 0 ? 0 : std::min<int>(n, sizeof buffer - 1));
}

} // namespace

QString ScreenText(const ScriptCommand& c) {
    switch (c.code) {
    case kLampOn:
        return QStringLiteral("Включить подсветку мишени %1").arg(c.target + 1);
    case kLampOff:
        return QStringLiteral("Выключить подсветку мишени %1").arg(c.target + 1);
    case kPause:
        return QStringLiteral("Пауза %1 сек").arg(Format("%3.1f", static_cast<double>(c.seconds)));
    case kFlashes:
        return QStringLiteral("Выстрелы %1 мишени %2 шт").arg(c.target + 1).arg(c.count);
    default:
        return QStringLiteral("Стоп");
    }
}

QString MemoryLine(const ScriptCommand& c) {
    switch (c.code) {
    case kLampOn:
    case kLampOff:
        return Format("%u %u", c.code, c.target);
    case kPause:
        return Format("%u %3.1f", c.code, static_cast<double>(c.seconds));
    case kFlashes:
        return Format("%u %u %u", c.code, c.target, c.count);
    default:
        return QStringLiteral("10");
    }
}

LoadedScript LoneStopScript() {
    LoadedScript script;
    script.screenTexts = {ScreenText(ScriptCommand{})};
    script.lines = {QStringLiteral("10")};
    return script;
}

std::optional<QString> ScriptLimitError(qsizetype linesAfterInsert, const QString& line) {
    if (linesAfterInsert > kMaxScriptLines) {
        return QStringLiteral("Сценарий не может содержать больше %1 команд.").arg(kMaxScriptLines);
    }
    if (line.size() > kMaxScriptLineLength) {
        return QStringLiteral("Команда «%1» длиннее %2 символов и не может войти в сценарий.")
            .arg(line)
            .arg(kMaxScriptLineLength);
    }
    return std::nullopt;
}

LoadedScript LoadScriptFile(const QString& path) {
    auto reader = TextReader::Open(path);
    if (!reader) {
        return LoneStopScript();
    }
    LoadedScript script;
    script.opened = true;
    TextReader& in = *reader;
    while (auto code = in.ReadUnsigned()) {
        ScriptCommand c;
        c.code = *code;
        bool complete = true;
        switch (c.code) {
        case kLampOn:
        case kLampOff:
            if (auto t = in.ReadUnsigned()) {
                c.target = *t;
            } else {
                complete = false;
            }
            break;
        case kPause:
            if (auto s = in.ReadFloat()) {
                c.seconds = *s;
            } else {
                complete = false;
            }
            break;
        case kFlashes: {
            auto t = in.ReadUnsigned();
            auto n = t ? in.ReadUnsigned() : std::nullopt;
            if (t && n) {
                c.target = *t;
                c.count = *n;
            } else {
                complete = false;
            }
            break;
        }
        case kStop:
            break;
        default:
            complete = false;
            break;
        }
        if (!complete) {
            break;
        }
        const QString line = MemoryLine(c);
        if (auto error = ScriptLimitError(static_cast<qsizetype>(script.lines.size()) + 1, line)) {
            LoadedScript refused = LoneStopScript();
            refused.error = QStringLiteral("Файл %1 не загружен. %2").arg(path, *error);
            return refused;
        }
        script.screenTexts.push_back(ScreenText(c));
        script.lines.push_back(line);
        if (c.code == kStop) {
            break;
        }
    }
    return script;
}

bool SaveScriptFile(const QString& path, const std::vector<QString>& lines) {
    TextWriter out;
    for (const QString& line : lines) {
        out.Put(line).PutBytes("\n");
    }
    return WriteFileAtomic(path, out.Bytes());
}

std::optional<ScriptCommand> ParseScriptLine(const QString& line) {
    TextReader in(line.toLatin1());
    const auto code = in.ReadUnsigned();
    if (!code) {
        return std::nullopt;
    }
    ScriptCommand c;
    c.code = *code;
    switch (c.code) {
    case kLampOn:
    case kLampOff:
        c.target = in.ReadUnsigned().value_or(0);
        break;
    case kPause:
        c.seconds = in.ReadFloat().value_or(0.0F);
        break;
    case kFlashes:
        c.target = in.ReadUnsigned().value_or(0);
        c.count = in.ReadUnsigned().value_or(0);
        break;
    default:
        break;
    }
    return c;
}

} // namespace ryvo
