#include "archive/ArchiveStore.h"

#include "archive/ArchiveBeside.h"
#include "archive/DiskSync.h"
#include "core/ProgramState.h"
#include "platform/FolderListing.h"
#include "platform/TextFile.h"
#include "targets/Scoring.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <unordered_set>

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

struct Line {
    QByteArrayView text; // without its line end
    qsizetype next = 0;  // offset just after its line end
    bool ended = false;  // a line feed ends it; the last line of a torn file has none
};

// Lines of a file image; CR LF or a bare LF end a line.
std::vector<Line> SplitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool ended = end >= 0;
        const qsizetype next = ended ? end + 1 : bytes.size();
        if (!ended) {
            end = bytes.size();
        }
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        lines.push_back(Line{QByteArrayView(bytes).sliced(start, end - start), next, ended});
        start = next;
    }
    return lines;
}

std::int32_t ShotsMadeOf(QByteArrayView line) {
    TextReader reader(line.toByteArray());
    const auto count = reader.ReadInt();
    return count ? std::max(0, *count) : 0;
}

struct RecordSpan {
    size_t first = 0; // index of its shooter line
    size_t made = 0;  // shot lines after its five header lines
    [[nodiscard]] size_t End() const { return first + 5 + made; }
};

// A record is its five header lines and one line per shot made, read by those counts alone:
// names and comments are free text and may look like any other line. A record whose lines
// run out, or whose last line has no line end, was torn while being written and is left out.
std::vector<RecordSpan> CompleteRecords(const std::vector<Line>& lines) {
    size_t complete = lines.size();
    if (complete > 0 && !lines.back().ended) {
        --complete;
    }
    std::vector<RecordSpan> spans;
    size_t i = 0;
    while (i + 5 <= complete) {
        RecordSpan span{i, static_cast<size_t>(ShotsMadeOf(lines[i + 3].text))};
        if (span.made > complete - i - 5) {
            break;
        }
        spans.push_back(span);
        i = span.End();
    }
    return spans;
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

// The record is in its file: its trace, then the entry pointing to it. Either failing
// leaves the record as one without them.
void WriteBeside(AppendOutcome& outcome, const QByteArray& recordImage, const NewResult& result) {
    const std::vector<ResultRecord> written = ParseGroupFile(recordImage);
    if (written.empty()) {
        return;
    }
    const QString failed = QStringLiteral("Результат записан, но не удалось записать %1.");
    QJsonObject members = result.beside;
    if (!result.trace.isEmpty()) {
        if (const auto ref = AppendBesideTrace(outcome.path, result.trace)) {
            members.insert(QLatin1String("trace"),
                           QJsonObject{{QLatin1String("offset"), ref->offset},
                                       {QLatin1String("length"), ref->length},
                                       {QLatin1String("crc"), static_cast<qint64>(*ref->crc)}});
        } else {
            outcome.besideError =
                failed.arg(QDir::toNativeSeparators(BesideTracesPath(outcome.path)));
        }
    }
    const BesideKey key{outcome.record, written.front().Shooter, written.front().Date,
                        written.front().Time};
    if (!AppendBesideEntry(outcome.path, key, members)) {
        outcome.besideError = failed.arg(QDir::toNativeSeparators(BesideEntriesPath(outcome.path)));
    }
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
    const QString yearFolder = QDir(startDir).filePath(QString::number(time.year));
    const QString folder = MonthFolderPath(startDir, time.year, time.month);
    outcome.path = PathInFolder(folder, GroupFileName(groupName));
    const bool yearExisted = QFileInfo(yearFolder).isDir();
    const bool monthExisted = QFileInfo(folder).isDir();
    if (!QDir().mkpath(folder)) {
        outcome.error = QStringLiteral("Не удалось создать папку архива %1.")
                            .arg(QDir::toNativeSeparators(folder));
        return outcome;
    }
    const QString writeError = QStringLiteral("Не удалось записать файл архива %1.")
                                   .arg(QDir::toNativeSeparators(outcome.path));
    const bool fileExisted = QFileInfo::exists(outcome.path);
    QFile file(outcome.path);
    if (!file.open(QIODevice::ReadWrite)) {
        outcome.error = writeError;
        return outcome;
    }
    // A tail after the last complete record is a record torn while it was written, never
    // reported saved. Appending after it would make the reader take our lines for its rest,
    // so it is cut off first, and kept beside the file rather than thrown away.
    const QByteArray old = file.readAll();
    const qsizetype keep = CompleteRecordsEnd(old);
    if (!CutTornTail(file, outcome.path, old, keep)) {
        outcome.error = writeError;
        return outcome;
    }
    const QByteArray bytes = RecordImage(time, result);
    // One write, then on to the disk, so a save reported done survives a power cut.
    if (!file.seek(keep) || file.write(bytes) != bytes.size() || !SyncToDisk(file)) {
        outcome.error = writeError;
        return outcome;
    }
    file.close();
    if (!fileExisted) {
        SyncFolder(folder);
    }
    if (!monthExisted) {
        SyncFolder(yearFolder);
    }
    if (!yearExisted) {
        SyncFolder(startDir);
    }
    outcome.ok = true;
    outcome.record = static_cast<int>(CompleteRecords(SplitLines(old.first(keep))).size());
    if (!result.beside.isEmpty() || !result.trace.isEmpty()) {
        WriteBeside(outcome, bytes, result);
    }
    return outcome;
}

qsizetype CompleteRecordsEnd(const QByteArray& bytes) {
    const std::vector<Line> lines = SplitLines(bytes);
    const std::vector<RecordSpan> spans = CompleteRecords(lines);
    return spans.empty() ? 0 : lines[spans.back().End() - 1].next;
}

TornParts FindTornParts(const QString& groupPath) {
    TornParts parts;
    QFile file(groupPath);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        parts.tail = CompleteRecordsEnd(bytes) < bytes.size();
    }
    // An empty file keeps nothing: a save that failed half-way may leave one.
    const QFileInfo aside(groupPath + QStringLiteral(".torn"));
    parts.aside = aside.isFile() && aside.size() > 0;
    return parts;
}

QString TornNote(const QString& groupFileName, TornParts parts) {
    const QString aside = groupFileName + QStringLiteral(".torn");
    if (parts.tail && parts.aside) {
        return QStringLiteral("Неполная запись в конце файла сохранена в %1; ещё одна неполная "
                              "запись в конце файла не показана и при следующей записи будет "
                              "добавлена туда же")
            .arg(aside);
    }
    if (parts.tail) {
        return QStringLiteral("Неполная запись в конце файла не показана; при следующей записи "
                              "она будет сохранена в %1")
            .arg(aside);
    }
    if (parts.aside) {
        return QStringLiteral("Неполная запись в конце файла сохранена в %1").arg(aside);
    }
    return {};
}

std::vector<ResultRecord> ParseGroupFile(const QByteArray& bytes) {
    const std::vector<Line> lines = SplitLines(bytes);
    std::vector<ResultRecord> records;
    const std::vector<RecordSpan> spans = CompleteRecords(lines);
    records.reserve(spans.size());
    for (const RecordSpan& span : spans) {
        const size_t first = span.first;
        ResultRecord record;
        record.Shooter = Cut(lines[first].text, kMaxShooterLength);
        const QByteArrayView stamp = lines[first + 1].text;
        const qsizetype blank = stamp.indexOf(' ');
        record.Date = Cut(blank < 0 ? stamp : stamp.first(blank), kMaxTokenLength);
        if (blank >= 0) {
            const QByteArrayView rest = stamp.sliced(blank + 1);
            const qsizetype end = rest.indexOf(' ');
            record.Time = Cut(end < 0 ? rest : rest.first(end), kMaxTokenLength);
        }
        // Numbers that do not convert keep their zero; the rest of the record is usable.
        TextReader planReader(lines[first + 2].text.toByteArray());
        for (std::int32_t* field :
             {&record.TargetType, &record.Reserved, &record.PlannedShots, &record.TimeLimit}) {
            const auto value = planReader.ReadInt();
            if (!value) {
                break;
            }
            *field = *value;
        }
        TextReader madeReader(lines[first + 3].text.toByteArray());
        if (madeReader.ReadInt()) {
            if (const auto seconds = madeReader.ReadFloat()) {
                record.ShootTime = *seconds;
            }
        }
        record.ShotsMade = static_cast<std::int32_t>(span.made);
        record.Comment = Cut(lines[first + 4].text, kMaxCommentLength);
        // A shot line that does not read is consumed all the same, to stay in step.
        record.Shots.reserve(span.made);
        for (size_t i = first + 5; i < span.End(); ++i) {
            if (const auto shot = ParseShot(lines[i].text)) {
                record.Shots.push_back(*shot);
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

void DeriveStatistics(ResultRecord& record, const ScoreFunction& score) {
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

bool ReadGroupFile(ArchiveTables& tables, const QString& path, const ScoreFunction& score) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    tables.ArchiveRecords = ParseGroupFile(file.readAll());
    AttachBeside(path, tables.ArchiveRecords);
    for (ResultRecord& record : tables.ArchiveRecords) {
        DeriveStatistics(record, score);
    }
    return true;
}

bool ReadGroupFile(ProgramState& state, const QString& monthFolder, const QString& group) {
    const QString folder = QDir(state.StartDir).filePath(monthFolder);
    return ReadGroupFile(state.archive, QDir(folder).filePath(group + QStringLiteral(".rec")),
                         ShotScorer{LoadedZones(state)});
}

void CollectDates(ArchiveTables& tables) {
    tables.ArchiveDates.clear();
    std::unordered_set<QString> seen;
    for (const ResultRecord& record : tables.ArchiveRecords) {
        if (seen.insert(record.Date).second) {
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
