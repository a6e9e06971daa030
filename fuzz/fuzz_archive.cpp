// The archive reader on arbitrary group files, with the statistics, the date list and the
// day selection built on it, and the round trip of every record it accepts through the
// record writer. The writer keeps two decimals of the shooting time and the shots, writes
// the shot count it is given and 0 for the reserved field, and turns a CR inside a text
// into a blank; everything else comes back as read.

#include "FuzzSupport.h"

#include "archive/ArchiveStore.h"
#include "platform/TextFile.h"
#include "targets/Scoring.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

using namespace ryvo;
using ryvo::fuzz::SameFloat;
using ryvo::fuzz::WithinPrinted;

namespace {

// The save time a record's date and time texts were written from, when they are in the
// writer's form.
std::optional<SaveTime> WrittenTime(const ResultRecord& r) {
    static const QRegularExpression date(QStringLiteral("^(0|[1-9]\\d{0,8})\\.(0|[1-9]\\d{0,8})"
                                                        "\\.(0|[1-9]\\d{0,8})$"));
    static const QRegularExpression time(QStringLiteral("^(0|[1-9]\\d{0,8}):(0|[1-9]\\d{0,8})$"));
    const auto d = date.match(r.Date);
    const auto t = time.match(r.Time);
    if (!d.hasMatch() || !t.hasMatch()) {
        return std::nullopt;
    }
    return SaveTime{d.captured(3).toInt(), d.captured(2).toInt(), d.captured(1).toInt(),
                    t.captured(1).toInt(), t.captured(2).toInt()};
}

NewResult AsNewResult(const ResultRecord& r) {
    return {r.Shooter,   r.TargetType, r.PlannedShots,
            r.TimeLimit, r.ShootTime,  r.Comment,
            r.Shots,     {},           {}};
}

QString Blanked(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char(' '));
}

bool SameShots(const std::vector<ShotPoint>& a, const std::vector<ShotPoint>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](ShotPoint p, ShotPoint q) {
        return SameFloat(p.x, q.x) && SameFloat(p.y, q.y);
    });
}

void CheckStatistics(const ResultRecord& r) {
    int counted = 0;
    int sum = 0;
    for (int column = 0; column < kHitColumns; ++column) {
        const QString& text = r.Hits[static_cast<size_t>(column)];
        bool number = true;
        const int count = text == QLatin1String("-") ? 0 : text.toInt(&number);
        FUZZ_CHECK(number && (text == QLatin1String("-") || count > 0));
        counted += count;
        if (column <= 10) {
            sum += column * count;
        }
    }
    FUZZ_CHECK(counted == static_cast<int>(r.Shots.size()));
    FUZZ_CHECK(r.SumText == QString::number(sum));
    FUZZ_CHECK(r.ShotsText == QString::number(r.ShotsMade));
}

// Writes one record and reads it back; returns what came back.
ResultRecord RoundTrip(const SaveTime& time, const ResultRecord& r) {
    const std::vector<ResultRecord> back = ParseGroupFile(RecordImage(time, AsNewResult(r)));
    FUZZ_CHECK(back.size() == 1);
    return back.front();
}

void CheckRoundTrip(const ResultRecord& r) {
    const auto time = WrittenTime(r);
    if (!time) {
        return;
    }
    const ResultRecord once = RoundTrip(*time, r);
    FUZZ_CHECK(once.Shooter == Blanked(r.Shooter) && once.Comment == Blanked(r.Comment));
    FUZZ_CHECK(once.Date == r.Date && once.Time == r.Time);
    FUZZ_CHECK(once.TargetType == r.TargetType && once.Reserved == 0);
    FUZZ_CHECK(once.PlannedShots == r.PlannedShots && once.TimeLimit == r.TimeLimit);
    FUZZ_CHECK(once.ShotsMade == static_cast<std::int32_t>(r.Shots.size()));
    FUZZ_CHECK(WithinPrinted(r.ShootTime, once.ShootTime, 2));
    FUZZ_CHECK(once.Shots.size() == r.Shots.size());
    for (size_t i = 0; i < r.Shots.size(); ++i) {
        FUZZ_CHECK(WithinPrinted(r.Shots[i].x, once.Shots[i].x, 2));
        FUZZ_CHECK(WithinPrinted(r.Shots[i].y, once.Shots[i].y, 2));
    }
    // Written again, the record comes back exactly.
    const ResultRecord twice = RoundTrip(*time, once);
    FUZZ_CHECK(twice.Shooter == once.Shooter && twice.Comment == once.Comment);
    FUZZ_CHECK(twice.Date == once.Date && twice.Time == once.Time);
    FUZZ_CHECK(twice.TargetType == once.TargetType && twice.ShotsMade == once.ShotsMade);
    FUZZ_CHECK(twice.PlannedShots == once.PlannedShots && twice.TimeLimit == once.TimeLimit);
    FUZZ_CHECK(SameFloat(twice.ShootTime, once.ShootTime));
    FUZZ_CHECK(SameShots(twice.Shots, once.Shots));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString path = ryvo::fuzz::ScratchPath("Группа.rec");
    ryvo::fuzz::PutFile(path, data, size);

    ArchiveTables tables;
    FUZZ_CHECK(ReadGroupFile(tables, path, ShotScorer{}));
    const std::vector<ResultRecord>& records = tables.ArchiveRecords;
    for (const ResultRecord& r : records) {
        FUZZ_CHECK(r.ShotsMade >= 0 && r.Shots.size() <= static_cast<size_t>(r.ShotsMade));
        FUZZ_CHECK(ToCp1251(r.Shooter).size() <= kMaxShooterLength);
        FUZZ_CHECK(ToCp1251(r.Comment).size() <= kMaxCommentLength);
        FUZZ_CHECK(r.Date.size() <= kMaxTokenLength && r.Time.size() <= kMaxTokenLength);
        FUZZ_CHECK(!r.Shooter.contains(QLatin1Char('\n')) &&
                   !r.Comment.contains(QLatin1Char('\n')));
        CheckStatistics(r);
        CheckRoundTrip(r);
    }

    // Dates: each once, in the order they first appear.
    CollectDates(tables);
    const std::vector<QString>& dates = tables.ArchiveDates;
    size_t previousFirst = 0;
    for (size_t d = 0; d < dates.size(); ++d) {
        const auto first = std::find_if(records.begin(), records.end(),
                                        [&](const ResultRecord& r) { return r.Date == dates[d]; });
        FUZZ_CHECK(first != records.end());
        const auto at = static_cast<size_t>(first - records.begin());
        FUZZ_CHECK(d == 0 || at > previousFirst);
        previousFirst = at;
    }
    size_t selected = 0;
    for (size_t d = 0; d < dates.size(); ++d) {
        SelectDate(tables, static_cast<int>(d));
        size_t next = 0;
        for (const ResultRecord& day : tables.DayRecords) {
            FUZZ_CHECK(day.Date == dates[d]);
            while (next < records.size() && records[next].Date != dates[d]) {
                ++next;
            }
            FUZZ_CHECK(next < records.size() && records[next].Shooter == day.Shooter &&
                       SameShots(records[next].Shots, day.Shots));
            ++next;
        }
        selected += tables.DayRecords.size();
    }
    FUZZ_CHECK(selected == records.size());
    SelectDate(tables, static_cast<int>(dates.size()));
    FUZZ_CHECK(tables.DayRecords.empty());
    return 0;
}
