// The archive index on arbitrary small archive trees: the input is sections "@@<s><bytes>",
// each a group file or the entries beside one, the selector byte s choosing its year, month
// and group folder. What the index holds after a sync equals a fresh read of the files,
// after the first sync and again after some files are removed and the index follows.

#include "FuzzSupport.h"

#include "archive/ArchiveBeside.h"
#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveIndex.h"
#include "archive/ArchiveStore.h"
#include "targets/Scoring.h"

#include <QFileInfo>

#include <map>
#include <set>
#include <tuple>

using namespace ryvo;
using ryvo::fuzz::SameFloat;

namespace {

const QStringList kYears = {QStringLiteral("2024"), QStringLiteral("2025"), QStringLiteral("0"),
                            QStringLiteral("2024a")};
const QStringList kMonths = {QStringLiteral("Январь"), QStringLiteral("Май"),
                             QStringLiteral("Декабрь"), QStringLiteral("Прочее")};
const QStringList kGroups = {QStringLiteral("Взвод_1"), QStringLiteral("взвод 1"),
                             QStringLiteral("Группа"), QStringLiteral("Ёж")};

struct Section {
    QString path; // relative to the start directory
    QByteArray bytes;
    bool removed = false; // taken away before the second sync
};

std::vector<Section> Sections(const QByteArray& input) {
    std::map<QString, Section> files; // the last section of a path wins
    qsizetype at = input.indexOf("@@");
    while (at >= 0 && at + 2 < input.size()) {
        const auto s = static_cast<std::uint8_t>(input[at + 2]);
        const qsizetype next = input.indexOf("@@", at + 3);
        const qsizetype end = next < 0 ? input.size() : next;
        const QString path = kYears[s & 3U] + QLatin1Char('/') + kMonths[(s >> 2U) & 3U] +
                             QLatin1Char('/') + kGroups[(s >> 4U) & 3U] +
                             ((s & 0x40U) != 0 ? QStringLiteral(".rex") : QStringLiteral(".rec"));
        files[path] = {path, input.sliced(at + 3, end - at - 3), (s & 0x80U) != 0};
        at = next;
    }
    std::vector<Section> sections;
    for (auto& [path, section] : files) {
        sections.push_back(std::move(section));
    }
    return sections;
}

int LeadingNumber(const QString& text) {
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit()) {
        ++digits;
    }
    return text.left(digits).toInt();
}

using Key = std::pair<QString, int>; // file, position

// Every record of the tree read from its files as the index describes it.
std::map<Key, IndexedResult> FreshRead(const QString& start, const ScoreFunction& score) {
    std::map<Key, IndexedResult> all;
    for (const QString& year : ListYears(start)) {
        const QString yearFolder = QDir(start).filePath(year);
        for (const QString& month : ListMonths(yearFolder)) {
            const QString monthFolder = QDir(yearFolder).filePath(month);
            for (const QString& name : ListGroupFiles(monthFolder)) {
                const QString path = QDir(monthFolder).filePath(name);
                std::vector<ResultRecord> records = ParseGroupFile(ryvo::fuzz::GetFile(path));
                AttachBeside(path, records);
                for (size_t i = 0; i < records.size(); ++i) {
                    ResultRecord& r = records[i];
                    DeriveStatistics(r, score);
                    IndexedResult e;
                    e.file = year + QLatin1Char('/') + month + QLatin1Char('/') + name;
                    e.position = static_cast<int>(i);
                    e.year = LeadingNumber(year);
                    e.month = MonthName(1) == month    ? 1
                              : MonthName(5) == month  ? 5
                              : MonthName(12) == month ? 12
                                                       : 0;
                    e.group = GroupOfFile(name);
                    e.dateText = r.Date;
                    e.timeText = r.Time;
                    e.shooter = r.Shooter;
                    e.targetType = r.TargetType;
                    e.plannedShots = r.PlannedShots;
                    e.timeLimit = r.TimeLimit;
                    e.shots = r.ShotsMade;
                    e.sum = r.SumText.toInt();
                    e.shootTime = static_cast<double>(r.ShootTime);
                    e.comment = r.Comment;
                    e.course = r.Beside.value(QLatin1String("course")).toString();
                    e.grade = r.Beside.value(QLatin1String("grade")).toString();
                    all[{e.file, e.position}] = e;
                }
            }
        }
    }
    return all;
}

void CheckIndex(const ArchiveIndex& index, const std::map<Key, IndexedResult>& expected) {
    FUZZ_CHECK(index.RecordCount() == static_cast<int>(expected.size()));
    std::set<QString> groups;
    for (const auto& [key, e] : expected) {
        groups.insert(NameKey(e.group));
    }
    std::map<Key, IndexedResult> found;
    for (const QString& group : groups) {
        for (const IndexedResult& r : index.GroupResults(group)) {
            FUZZ_CHECK(found.emplace(Key{r.file, r.position}, r).second);
        }
    }
    FUZZ_CHECK(found.size() == expected.size());
    for (const auto& [key, e] : expected) {
        const auto it = found.find(key);
        FUZZ_CHECK(it != found.end());
        const IndexedResult& r = it->second;
        FUZZ_CHECK(r.year == e.year && r.month == e.month && r.group == e.group);
        FUZZ_CHECK(r.dateText == e.dateText && r.timeText == e.timeText);
        FUZZ_CHECK(r.shooter == e.shooter && r.comment == e.comment);
        FUZZ_CHECK(r.targetType == e.targetType && r.plannedShots == e.plannedShots);
        FUZZ_CHECK(r.timeLimit == e.timeLimit && r.shots == e.shots && r.sum == e.sum);
        FUZZ_CHECK(SameFloat(static_cast<float>(r.shootTime), static_cast<float>(e.shootTime)));
        FUZZ_CHECK(r.course == e.course && r.grade == e.grade);
        FUZZ_CHECK(r.date == ParseArchiveDate(e.dateText) || !r.date.isValid());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) {
        return 0; // a small tree
    }
    static const QString start = ryvo::fuzz::ScratchPath("archive");
    static const QString cache = ryvo::fuzz::ScratchPath("cache");
    static const ScoreFunction score = ShotScorer{};
    QDir(start).removeRecursively();
    QDir(cache).removeRecursively();
    const std::vector<Section> sections =
        Sections(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (const Section& section : sections) {
        const QString path = QDir(start).filePath(section.path);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ryvo::fuzz::PutFile(path, reinterpret_cast<const std::uint8_t*>(section.bytes.constData()),
                            static_cast<std::size_t>(section.bytes.size()));
    }

    ArchiveIndex index(start, score, cache);
    const IndexSync first = index.Sync();
    FUZZ_CHECK(first.ok && first.rebuilt);
    CheckIndex(index, FreshRead(start, score));

    bool removed = false;
    for (const Section& section : sections) {
        if (section.removed) {
            FUZZ_CHECK(QFile::remove(QDir(start).filePath(section.path)));
            removed = true;
        }
    }
    if (removed) {
        const IndexSync second = index.Sync();
        FUZZ_CHECK(second.ok && !second.rebuilt);
        CheckIndex(index, FreshRead(start, score));
    }
    return 0;
}
