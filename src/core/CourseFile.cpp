#include "core/CourseFile.h"

#include "core/CourseParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <map>

namespace ryvo::courseparse {

QString Seconds(std::int32_t ms) {
    return QString::number(ms / 1000.0, 'g', 7);
}

QString Quoted(const QString& text) {
    return QStringLiteral("«%1»").arg(text);
}

const QString& FiveGradeName(int rank) {
    for (const GradeName& g : kGradeNames) {
        if (!g.pass && g.rank == rank) {
            return g.name;
        }
    }
    return kGradeUnsatisfactory;
}

CourseParseResult Parser::Run(const QString& text) {
    QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size() && m_error.isEmpty(); ++i) {
        m_line = i + 1;
        QString line = lines[i];
        if (i == 0 && line.startsWith(QChar(0xFEFF))) {
            line.remove(0, 1);
        }
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0) {
            Fail(QStringLiteral("нет двоеточия: строка пишется как «ключ: значение»"));
            break;
        }
        const QString key = line.left(colon).simplified().toLower();
        const QString value = line.mid(colon + 1).trimmed();
        Take(key, value);
    }
    if (m_error.isEmpty()) {
        Finish();
    }
    CourseParseResult result;
    if (m_error.isEmpty()) {
        result.course = std::move(m_course);
    } else {
        result.error = m_error;
        result.line = m_errorLine;
    }
    return result;
}

bool Parser::Fail(const QString& what, int line) {
    if (m_error.isEmpty()) {
        m_errorLine = line < 0 ? m_line : line;
        m_error =
            m_errorLine > 0 ? QStringLiteral("Строка %1: %2").arg(m_errorLine).arg(what) : what;
    }
    return false;
}

std::optional<std::int32_t> Parser::TimeMs(const QString& what, const QString& text) {
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double s = t.toDouble(&ok);
    if (!ok || !std::isfinite(s)) {
        Fail(QStringLiteral("%1 %2 не число").arg(what, Quoted(text)));
        return std::nullopt;
    }
    if (s < 0) {
        Fail(QStringLiteral("%1 %2 меньше нуля").arg(what, Quoted(text)));
        return std::nullopt;
    }
    if (s > kMaxSeconds) {
        Fail(QStringLiteral("%1 %2 больше суток").arg(what, Quoted(text)));
        return std::nullopt;
    }
    return static_cast<std::int32_t>(std::llround(s * 1000.0));
}

std::optional<std::int32_t> Parser::Count(const QString& what, const QString& text, int min,
                                          int max) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) {
        Fail(QStringLiteral("%1 %2 не целое число").arg(what, Quoted(text)));
        return std::nullopt;
    }
    if (n < min || n > max) {
        Fail(QStringLiteral("%1 %2 вне пределов %3–%4")
                 .arg(what, Quoted(text), QString::number(min), QString::number(max)));
        return std::nullopt;
    }
    return n;
}

bool Parser::Once(const QString& key) {
    auto it = m_stage->seen.constFind(key);
    if (it != m_stage->seen.constEnd()) {
        return Fail(
            QStringLiteral("%1 уже задано в этом этапе (строка %2)").arg(Quoted(key)).arg(*it));
    }
    m_stage->seen.insert(key, m_line);
    return true;
}

std::optional<CourseCommand> Parser::Command(const QString& key, const QString& value) {
    const qsizetype space = value.indexOf(QRegularExpression(QStringLiteral("\\s")));
    if (value.isEmpty() || space < 0) {
        Fail(QStringLiteral("%1 пишется как «время слово», например «%1: 0 Заряжай»").arg(key));
        return std::nullopt;
    }
    const auto at = TimeMs(QStringLiteral("время команды"), value.left(space));
    if (!at) {
        return std::nullopt;
    }
    return CourseCommand{value.mid(space + 1).trimmed(), *at};
}

void Parser::Take(const QString& key, const QString& value) {
    if (key == QStringLiteral("курс")) {
        if (!m_course.name.isEmpty()) {
            Fail(QStringLiteral("название курса уже задано (строка %1)").arg(m_nameLine));
        } else if (value.isEmpty()) {
            Fail(QStringLiteral("пустое название курса"));
        } else {
            m_course.name = value;
            m_nameLine = m_line;
        }
    } else if (key == QStringLiteral("описание")) {
        // Several lines make one description, a line each.
        m_course.description +=
            (m_course.description.isEmpty() ? QString() : QStringLiteral("\n")) + value;
    } else if (key == QStringLiteral("этап")) {
        CloseStage();
        m_stage = StageDraft{};
        m_stage->line = m_line;
        m_stage->stage.title = value;
    } else if (key == QStringLiteral("оценка")) {
        TakeGradeBasis(value);
    } else if (auto grade = std::find_if(std::begin(kGradeNames), std::end(kGradeNames),
                                         [&](const GradeName& g) { return g.name == key; });
               grade != std::end(kGradeNames)) {
        TakeGradeStep(*grade, value);
    } else if (key.startsWith(QStringLiteral("мишень"))) {
        TakeTarget(key, value);
    } else {
        TakeStageKey(key, value);
    }
}

void Parser::TakeStageKey(const QString& key, const QString& value) {
    static const QSet<QString> kStageKeys = {
        QStringLiteral("команда"), QStringLiteral("подготовка"), QStringLiteral("задержка"),
        QStringLiteral("сигнал"),  QStringLiteral("выстрелы"),   QStringLiteral("время"),
        QStringLiteral("пар"),     QStringLiteral("подсветка"),  QStringLiteral("сценарий"),
        QStringLiteral("поздние"), QStringLiteral("после"),
    };
    if (!kStageKeys.contains(key)) {
        Fail(QStringLiteral("неизвестный ключ %1").arg(Quoted(key)));
        return;
    }
    if (!m_stage) {
        Fail(QStringLiteral("%1 вне этапа: сначала строка «этап:»").arg(Quoted(key)));
        return;
    }
    // Commands may be many; every other key is given once per stage.
    const bool repeats = key == QStringLiteral("команда") || key == QStringLiteral("после");
    if (!repeats && !Once(key)) {
        return;
    }
    CourseStage& s = m_stage->stage;
    if (key == QStringLiteral("команда") || key == QStringLiteral("после")) {
        if (auto command = Command(key, value)) {
            if (key == QStringLiteral("команда")) {
                s.commands.push_back(*command);
                m_stage->commandLines.push_back(m_line);
            } else {
                s.endCommands.push_back(*command);
            }
        }
    } else if (key == QStringLiteral("подготовка")) {
        if (auto ms = TimeMs(QStringLiteral("подготовка"), value)) {
            s.preparationMs = *ms;
        }
    } else if (key == QStringLiteral("задержка")) {
        TakeDelay(value);
    } else if (key == QStringLiteral("сигнал")) {
        if (value.isEmpty()) {
            Fail(QStringLiteral("пустой сигнал: нужно слово команды, например «Огонь»"));
        }
        s.signalWord = value;
    } else if (key == QStringLiteral("выстрелы")) {
        if (auto n = Count(QStringLiteral("число выстрелов"), value, 1, kMaxCourseShots)) {
            s.shots = *n;
        }
    } else if (key == QStringLiteral("время")) {
        if (value.toLower() == QStringLiteral("нет")) {
            s.timeLimitMs = 0;
        } else if (auto ms = TimeMs(QStringLiteral("время"), value)) {
            s.timeLimitMs = *ms;
        }
    } else if (key == QStringLiteral("пар")) {
        TakePar(value);
    } else if (key == QStringLiteral("подсветка")) {
        TakeLamps(value);
    } else if (key == QStringLiteral("сценарий")) {
        if (m_stage->seen.contains(QStringLiteral("подсветка"))) {
            Fail(QStringLiteral("у этапа уже есть «подсветка»: сценарий и подсветка вместе не "
                                "задаются"));
        } else if (value.isEmpty()) {
            Fail(QStringLiteral("пустое имя файла сценария"));
        }
        s.lampScript = value;
    } else if (key == QStringLiteral("поздние")) {
        const QString v = value.simplified().toLower();
        if (v == QStringLiteral("считать")) {
            s.lateShotsScore = true;
        } else if (v == QStringLiteral("не считать")) {
            s.lateShotsScore = false;
        } else {
            Fail(QStringLiteral("«поздние»: нужно «считать» или «не считать», а не %1")
                     .arg(Quoted(value)));
        }
    }
}

void Parser::TakeDelay(const QString& value) {
    QString v = value;
    v.replace(QChar(0x2013), u'-'); // en dash, as typed in Russian text
    const QStringList parts = v.split(u'-');
    if (parts.size() > 2) {
        Fail(QStringLiteral("задержка %1: нужно «от-до» в секундах, например «2-5»")
                 .arg(Quoted(value)));
        return;
    }
    const auto min = TimeMs(QStringLiteral("задержка"), parts.front());
    if (!min) {
        return;
    }
    const auto max = parts.size() == 2 ? TimeMs(QStringLiteral("задержка"), parts.back()) : min;
    if (!max) {
        return;
    }
    if (*min > *max) {
        Fail(QStringLiteral("задержка %1: начало больше конца").arg(Quoted(value)));
        return;
    }
    m_stage->stage.delayMinMs = *min;
    m_stage->stage.delayMaxMs = *max;
}

void Parser::TakePar(const QString& value) {
    const QStringList parts =
        value.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        Fail(QStringLiteral("«пар»: нужны времена в секундах через пробел"));
        return;
    }
    std::vector<std::int32_t> times;
    for (const QString& part : parts) {
        auto ms = TimeMs(QStringLiteral("пар"), part);
        if (!ms) {
            return;
        }
        if (*ms == 0) {
            Fail(QStringLiteral("пар %1: время должно быть больше нуля").arg(Quoted(part)));
            return;
        }
        times.push_back(*ms);
    }
    std::sort(times.begin(), times.end());
    m_stage->stage.parTimesMs = std::move(times);
    m_stage->parLine = m_line;
}

void Parser::TakeLamps(const QString& value) {
    if (m_stage->seen.contains(QStringLiteral("сценарий"))) {
        Fail(QStringLiteral("у этапа уже есть «сценарий»: сценарий и подсветка вместе не "
                            "задаются"));
        return;
    }
    QString v = value;
    v.replace(u'/', u' ');
    const QStringList parts =
        v.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (parts.size() != 2) {
        Fail(QStringLiteral("«подсветка»: нужно «горит гаснет» в секундах, например «8 7»"));
        return;
    }
    const auto up = TimeMs(QStringLiteral("подсветка"), parts[0]);
    const auto down = up ? TimeMs(QStringLiteral("подсветка"), parts[1]) : std::nullopt;
    if (!down) {
        return;
    }
    if (*up == 0) {
        Fail(QStringLiteral("подсветка горит 0 с"));
        return;
    }
    m_stage->stage.lamps = LampTiming{*up, *down};
}

void Parser::TakeTarget(const QString& key, const QString& value) {
    // "мишень" for every lane, "мишень 2" for lane 2.
    const QString laneText = key.mid(QStringLiteral("мишень").size()).trimmed();
    int first = 0;
    int last = kLaneCount - 1;
    if (!laneText.isEmpty()) {
        bool ok = false;
        const int lane = laneText.toInt(&ok);
        if (!ok) {
            Fail(QStringLiteral("неизвестный ключ %1").arg(Quoted(key)));
            return;
        }
        if (lane < 1 || lane > kLaneCount) {
            Fail(QStringLiteral("мишень %1: номер мишени вне пределов 1–%2")
                     .arg(lane)
                     .arg(kLaneCount));
            return;
        }
        first = last = lane - 1;
    }
    if (!m_stage) {
        Fail(QStringLiteral("%1 вне этапа: сначала строка «этап:»").arg(Quoted(key)));
        return;
    }
    if (!Once(laneText.isEmpty() ? key : QStringLiteral("мишень %1").arg(first + 1))) {
        return;
    }
    const QString v = value.simplified().toLower();
    std::optional<std::int32_t> type;
    if (v == QStringLiteral("n4") || v == QStringLiteral("н4")) {
        type = 1;
    } else if (v == QStringLiteral("спортивная")) {
        type = 2;
    } else if (v != QStringLiteral("как задано")) {
        bool ok = false;
        type = v.toInt(&ok);
        if (!ok || *type < 1 || *type > kMaxTargetType) {
            Fail(QStringLiteral("мишень %1: нужно «N4», «спортивная», «как задано» или "
                                "номер типа мишени")
                     .arg(Quoted(value)));
            return;
        }
    }
    for (int lane = first; lane <= last; ++lane) {
        // A lane's own line wins over the line for all, whichever comes first.
        const bool own = m_stage->seen.contains(QStringLiteral("мишень %1").arg(lane + 1));
        if (laneText.isEmpty() && own) {
            continue;
        }
        m_stage->stage.targets[static_cast<size_t>(lane)] = type;
    }
}

} // namespace ryvo::courseparse

namespace ryvo {

using courseparse::kMaxFileBytes;
using courseparse::Parser;

CourseParseResult ParseCourse(const QString& text, const QString& path) {
    return Parser(path).Run(text);
}

CourseParseResult ReadCourseFile(const QString& path) {
    CourseParseResult failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        failed.error = QStringLiteral("файл не открывается");
        return failed;
    }
    if (file.size() > kMaxFileBytes) {
        failed.error = QStringLiteral("файл больше 1 МБ — это не курс");
        return failed;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        failed.error = QStringLiteral("файл не в кодировке UTF-8");
        return failed;
    }
    return ParseCourse(text, path);
}

FoundCourses FindCourses(const QString& startDir, const QString& dataDir) {
    FoundCourses found;
    QSet<QString> fileNames;
    QSet<QString> courseNames;
    QStringList dirs{startDir};
    if (!dataDir.isEmpty() &&
        QFileInfo(dataDir).canonicalFilePath() != QFileInfo(startDir).canonicalFilePath()) {
        dirs << dataDir;
    }
    for (int d = 0; d < dirs.size(); ++d) {
        const QDir folder(QDir(dirs[d]).filePath(kCourseFolder));
        const QStringList entries = folder.entryList({QStringLiteral("*.") + kCourseSuffix},
                                                     QDir::Files | QDir::Readable, QDir::Name);
        QSet<QString> namesHere;
        for (const QString& entry : entries) {
            if (d > 0 && fileNames.contains(entry)) {
                continue;
            }
            CourseParseResult read = ReadCourseFile(folder.filePath(entry));
            if (!read.course) {
                found.errors << QStringLiteral("%1: %2").arg(folder.filePath(entry), read.error);
                namesHere.insert(entry);
                continue;
            }
            if (d > 0 && courseNames.contains(read.course->name)) {
                continue;
            }
            namesHere.insert(entry);
            courseNames.insert(read.course->name);
            found.courses.push_back(std::move(*read.course));
        }
        fileNames.unite(namesHere);
    }
    return found;
}

} // namespace ryvo
