#include "archive/ArchiveStore.h"

#include "core/ProgramState.h"
#include "platform/TextFile.h"
#include "targets/Scoring.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <string_view>

namespace ryvo {

namespace {

// Line breaks would put the record out of step with its line count.
QString OneLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QChar(u'\r'), QChar(u' '));
    line.replace(QChar(u'\n'), QChar(u' '));
    return line;
}

bool EndsWithLineEnd(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) {
        return true;
    }
    file.seek(file.size() - 1);
    char last = 0;
    return file.getChar(&last) && last == '\n';
}

// Lines of a file image without their line ends; CR LF or a bare LF end a line.
std::vector<QByteArrayView> SplitLines(const QByteArray& bytes) {
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0) {
            end = bytes.size();
        }
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        lines.push_back(QByteArrayView(bytes).sliced(start, end - start));
        start = next;
    }
    return lines;
}

// "d.m.y h:m" exactly, as every record's second line is written.
bool IsStampLine(QByteArrayView line) {
    qsizetype i = 0;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
            ++i;
        }
        return i > from;
    };
    auto expect = [&](char c) {
        if (i < line.size() && line[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    return digits() && expect('.') && digits() && expect('.') && digits() && expect(' ') &&
           digits() && expect(':') && digits() && i == line.size();
}

QString Cut(QByteArrayView bytes, qsizetype limit) {
    const qsizetype size = std::min(bytes.size(), limit);
    return FromCp1251(std::string_view(bytes.data(), static_cast<size_t>(size)));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// "%f" on a line: blanks skipped, an optional sign, then a C number.
std::optional<float> ScanFloat(const char*& p, const char* end) {
    while (p < end && IsBlank(*p)) {
        ++p;
    }
    const bool negative = p < end && *p == '-';
    const char* q = (p < end && (*p == '-' || *p == '+')) ? p + 1 : p;
    if (q < end && (*q == '-' || *q == '+')) {
        return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(q, end, value);
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    p = result.ptr;
    return static_cast<float>(negative ? -value : value);
}

std::optional<ShotPoint> ParseShot(QByteArrayView line) {
    const char* p = line.data();
    const char* end = p + line.size();
    const auto x = ScanFloat(p, end);
    if (!x) {
        return std::nullopt;
    }
    const auto y = ScanFloat(p, end);
    if (!y) {
        return std::nullopt;
    }
    return ShotPoint{*x, *y};
}

} // namespace

QString MonthName(int month) {
    if (month < 1 || month > 12) {
        return {};
    }
    return QString::fromUtf8(MonthNames[static_cast<size_t>(month)]);
}

SaveTime SaveTime::From(const QDateTime& local) {
    SaveTime t;
    t.year = local.date().year();
    t.month = local.date().month();
    t.day = local.date().day();
    t.hour = local.time().hour();
    t.minute = local.time().minute();
    return t;
}

QString SaveTime::DateText() const {
    return QStringLiteral("%1.%2.%3").arg(day).arg(month).arg(year);
}

QString SaveTime::TimeText() const {
    return QStringLiteral("%1:%2").arg(hour).arg(minute);
}

QString SaveTime::DialogTimeText() const {
    return QStringLiteral("%1 ч. %2 мин.").arg(hour).arg(minute);
}

std::optional<QString> GroupNameProblem(const QString& name) {
    if (name.contains(QChar(u'/')) || name.contains(QChar(u'\\'))) {
        return QStringLiteral("Название группы не может содержать знаки \"/\" и \"\\\".");
    }
    if (name == QLatin1String(".") || name == QLatin1String("..")) {
        return QStringLiteral("Название группы не может быть \".\" или \"..\".");
    }
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control) {
            return QStringLiteral("Название группы содержит управляющие символы.");
        }
    }
    if (name.size() > kMaxGroupNameLength) {
        return QStringLiteral("Название группы длиннее %1 символов.").arg(kMaxGroupNameLength);
    }
    return std::nullopt;
}

QString GroupFileName(const QString& groupName) {
    QString name = groupName;
    name.replace(QChar(u' '), QChar(u'_'));
    return name + QStringLiteral(".rec");
}

QString MonthFolderPath(const QString& startDir, int year, int month) {
    return QDir(startDir).filePath(QStringLiteral("%1/%2").arg(year).arg(MonthName(month)));
}

QByteArray RecordImage(const SaveTime& time, const NewResult& result) {
    TextWriter out;
    out.Put(OneLine(result.shooter)).PutBytes("\n");
    out.Put(time.DateText()).PutBytes(" ");
    out.Put(time.TimeText()).PutBytes("\n");
    out.Printf("%i %i %i %i\n", result.targetType, 0, result.plannedShots, result.timeLimit);
    out.Printf("%i %7.2f\n", static_cast<int>(result.shots.size()),
               static_cast<double>(result.shootTime));
    out.Put(OneLine(result.comment)).PutBytes("\n");
    for (const ShotPoint& shot : result.shots) {
        out.Printf("%7.2f %15.2f\n", static_cast<double>(shot.x), static_cast<double>(shot.y));
    }
    return out.Bytes();
}

AppendOutcome AppendResult(const QString& startDir, const QString& groupName, const SaveTime& time,
                           const NewResult& result) {
    AppendOutcome outcome;
    if (const auto problem = GroupNameProblem(groupName)) {
        outcome.error = *problem;
        return outcome;
    }
    const QString folder = MonthFolderPath(startDir, time.year, time.month);
    outcome.path = QDir(folder).filePath(GroupFileName(groupName));
    if (!QDir().mkpath(folder)) {
        outcome.error = QStringLiteral("Не удалось создать папку архива %1.")
                            .arg(QDir::toNativeSeparators(folder));
        return outcome;
    }
    QByteArray bytes = RecordImage(time, result);
    // A file torn by an earlier crash: start our record on a line of its own.
    if (!EndsWithLineEnd(outcome.path)) {
        bytes.prepend("\r\n");
    }
    if (!AppendToFile(outcome.path, bytes)) {
        outcome.error = QStringLiteral("Не удалось записать файл архива %1.")
                            .arg(QDir::toNativeSeparators(outcome.path));
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

// A record spans its five header lines and one line per shot. A crash while an older
// program appended could leave a record torn off anywhere; the next record then begins
// inside it, recognisable by its date-and-time line. A torn record is left out and reading
// goes on with the record that follows it.
std::vector<ResultRecord> ParseGroupFile(const QByteArray& bytes) {
    const std::vector<QByteArrayView> lines = SplitLines(bytes);
    const size_t total = lines.size();
    std::vector<ResultRecord> records;
    size_t i = 0;
    while (i < total) {
        const size_t first = i;
        // A date-and-time line below the second line starts a new record one line up.
        auto newRecordAt = [&](size_t line) {
            return line >= first + 2 && IsStampLine(lines[line]);
        };
        size_t torn = 0;
        for (size_t k = first + 2; k < std::min(total, first + 5); ++k) {
            if (newRecordAt(k)) {
                torn = k;
                break;
            }
        }
        if (torn != 0) {
            i = torn - 1;
            continue;
        }
        if (first + 5 > total) {
            break; // the file ends inside the record
        }
        ResultRecord record;
        record.Shooter = Cut(lines[first], kMaxShooterLength);
        const QByteArrayView stamp = lines[first + 1];
        const qsizetype blank = stamp.indexOf(' ');
        record.Date = Cut(blank < 0 ? stamp : stamp.first(blank), kMaxTokenLength);
        if (blank >= 0) {
            const QByteArrayView rest = stamp.sliced(blank + 1);
            const qsizetype end = rest.indexOf(' ');
            record.Time = Cut(end < 0 ? rest : rest.first(end), kMaxTokenLength);
        }
        // Numbers that do not convert keep their zero; the rest of the record is usable.
        TextReader planReader(lines[first + 2].toByteArray());
        for (std::int32_t* field :
             {&record.TargetType, &record.Reserved, &record.PlannedShots, &record.TimeLimit}) {
            const auto value = planReader.ReadInt();
            if (!value) {
                break;
            }
            *field = *value;
        }
        TextReader madeReader(lines[first + 3].toByteArray());
        std::int32_t made = 0;
        if (const auto count = madeReader.ReadInt()) {
            made = std::max(0, *count);
            if (const auto seconds = madeReader.ReadFloat()) {
                record.ShootTime = *seconds;
            }
        }
        record.Comment = Cut(lines[first + 4], kMaxCommentLength);

        i = first + 5;
        const size_t shotsEnd = i + static_cast<size_t>(made);
        record.Shots.reserve(std::min<size_t>(static_cast<size_t>(made), total - i));
        bool cutInLastLine = false;
        for (; i < shotsEnd && i < total && !newRecordAt(i); ++i) {
            if (const auto shot = ParseShot(lines[i])) {
                record.Shots.push_back(*shot);
            } else if (i + 1 == total) {
                cutInLastLine = true;
                break;
            }
        }
        if (i < total && newRecordAt(i)) {
            --i; // torn: the line above the date-and-time line starts the next record
            continue;
        }
        if (i < shotsEnd || cutInLastLine) {
            break; // the file ends inside the record
        }
        record.ShotsMade = made;
        records.push_back(std::move(record));
    }
    return records;
}

void DeriveStatistics(ResultRecord& record, ScoreFunction score) {
    std::array<int, kHitColumns> counts{};
    int sum = 0;
    for (const ShotPoint& shot : record.Shots) {
        const std::int32_t result = score(shot.x, shot.y, record.TargetType);
        if (result >= 0 && result <= 10) {
            ++counts[static_cast<size_t>(result)];
            sum += result;
        } else {
            ++counts[kMissColumn];
        }
    }
    for (size_t i = 0; i < counts.size(); ++i) {
        record.Hits[i] = counts[i] == 0 ? QStringLiteral("-") : QString::number(counts[i]);
    }
    record.SumText = QString::number(sum);
    record.ShotsText = QString::number(record.ShotsMade);
    record.ShootTimeText = QString::asprintf("%5.2f", static_cast<double>(record.ShootTime));
}

bool ReadGroupFile(ArchiveTables& tables, const QString& path, ScoreFunction score) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    tables.ArchiveRecords = ParseGroupFile(file.readAll());
    for (ResultRecord& record : tables.ArchiveRecords) {
        DeriveStatistics(record, score);
    }
    return true;
}

bool ReadGroupFile(ProgramState& state, const QString& monthFolder, const QString& group) {
    const QString folder = QDir(state.StartDir).filePath(monthFolder);
    return ReadGroupFile(state.archive, QDir(folder).filePath(group + QStringLiteral(".rec")),
                         ScoreShot);
}

void CollectDates(ArchiveTables& tables) {
    tables.ArchiveDates.clear();
    for (const ResultRecord& record : tables.ArchiveRecords) {
        if (std::find(tables.ArchiveDates.begin(), tables.ArchiveDates.end(), record.Date) ==
            tables.ArchiveDates.end()) {
            tables.ArchiveDates.push_back(record.Date);
        }
    }
}

void SelectDate(ArchiveTables& tables, int dateIndex) {
    tables.DayRecords.clear();
    if (dateIndex < 0 || static_cast<size_t>(dateIndex) >= tables.ArchiveDates.size()) {
        return;
    }
    const QString& date = tables.ArchiveDates[static_cast<size_t>(dateIndex)];
    for (const ResultRecord& record : tables.ArchiveRecords) {
        if (record.Date == date) {
            tables.DayRecords.push_back(record);
        }
    }
}

} // namespace ryvo
