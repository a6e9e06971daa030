#include "ArchiveTool.h"

#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveExport.h"
#include "archive/ArchiveIndex.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveStore.h"
#include "core/ProgramState.h"
#include "targets/Scoring.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace ryvo {

namespace {

const char* kUsage =
    "Использование:\n"
    "  ryvo-archive list ПАПКА\n"
    "  ryvo-archive export ПАПКА --year ГОД --month МЕСЯЦ --group ГРУППА [--date ДАТА]"
    " [--format csv|json]\n"
    "  ryvo-archive shooter ПАПКА ИМЯ [--from ДАТА] [--to ДАТА] [--format csv|json]\n"
    "  ryvo-archive summary ПАПКА --group ГРУППА [--from ДАТА] [--to ДАТА] [--format csv|json]\n"
    "ДАТА — 7.12.2008 или 2008-12-07. "
    "МЕСЯЦ — номер (1-12) или название (\"Декабрь\"); ГРУППА — как в архиве (\"Взвод_1\").\n";

int Fail(QByteArray& err, const QString& message, int code) {
    err += message.toUtf8() + '\n';
    if (code == 2) {
        err += kUsage;
    }
    return code;
}

std::optional<int> MonthOf(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok) {
        return number >= 1 && number <= 12 ? std::optional<int>(number) : std::nullopt;
    }
    for (int month = 1; month <= 12; ++month) {
        if (MonthName(month).compare(text, Qt::CaseInsensitive) == 0) {
            return month;
        }
    }
    return std::nullopt;
}

int List(const QString& startDir, QByteArray& out) {
    for (const QString& year : ListYears(startDir)) {
        const QString yearFolder = QDir(startDir).filePath(year);
        for (const QString& month : ListMonths(yearFolder)) {
            const QString monthFolder = QDir(yearFolder).filePath(month);
            for (const QString& file : ListGroupFiles(monthFolder)) {
                const QString path = QDir(monthFolder).filePath(file);
                QFile group(path);
                const QString count = group.open(QIODevice::ReadOnly)
                                          ? QString::number(ParseGroupFile(group.readAll()).size())
                                          : QStringLiteral("?");
                QStringList fields{year, month, GroupOfFile(file), count};
                // The count leaves torn records out; a fifth field says where they are.
                if (const QString torn = TornNote(file, FindTornParts(path)); !torn.isEmpty()) {
                    fields << torn;
                }
                out += fields.join(QChar(u'\t')).toUtf8() + '\n';
            }
        }
    }
    return 0;
}

// shooter and summary: the options after the command's fixed arguments.
struct IndexOptions {
    ResultFilter filter;
    QString group;
    QString format = QStringLiteral("csv");
};

std::optional<IndexOptions> ReadIndexOptions(const QStringList& args, qsizetype first,
                                             bool withGroup, QByteArray& err) {
    IndexOptions options;
    for (qsizetype i = first; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            Fail(err, QStringLiteral("Нет значения у %1.").arg(args[i]), 2);
            return std::nullopt;
        }
        const QString& value = args[i + 1];
        if (args[i] == QLatin1String("--from") || args[i] == QLatin1String("--to")) {
            const QDate date = ParseArchiveDate(value);
            if (!date.isValid()) {
                Fail(err, QStringLiteral("Дата указана неверно: %1.").arg(value), 2);
                return std::nullopt;
            }
            (args[i] == QLatin1String("--from") ? options.filter.from : options.filter.to) = date;
        } else if (args[i] == QLatin1String("--format")) {
            options.format = value;
        } else if (withGroup && args[i] == QLatin1String("--group")) {
            options.group = value;
        } else {
            Fail(err, QStringLiteral("Неизвестный параметр: %1.").arg(args[i]), 2);
            return std::nullopt;
        }
    }
    if (options.format != QLatin1String("csv") && options.format != QLatin1String("json")) {
        Fail(err, QStringLiteral("Формат может быть csv или json, а не %1.").arg(options.format),
             2);
        return std::nullopt;
    }
    return options;
}

int FromIndex(const QStringList& args, const ProgramState& state, const QString& cacheDir,
              QByteArray& out, QByteArray& err) {
    const bool shooter = args[0] == QLatin1String("shooter");
    if (shooter && args.size() < 3) {
        return Fail(err, QStringLiteral("Команде shooter нужны папка и имя стрелка."), 2);
    }
    const std::optional<IndexOptions> options =
        ReadIndexOptions(args, shooter ? 3 : 2, !shooter, err);
    if (!options) {
        return 2;
    }
    if (!shooter && options->group.isEmpty()) {
        return Fail(err, QStringLiteral("Команде summary нужна --group."), 2);
    }
    ArchiveIndex index(state.StartDir, ShotScorer{LoadedZones(state)}, cacheDir);
    const IndexSync sync = index.Sync();
    if (!sync.ok) {
        return Fail(err, sync.error, 1);
    }
    const bool csv = options->format == QLatin1String("csv");
    if (shooter) {
        const std::vector<IndexedResult> results = index.ShooterResults(args[2], options->filter);
        if (results.empty()) {
            return Fail(err, QStringLiteral("Результатов стрелка %1 в архиве нет.").arg(args[2]),
                        1);
        }
        // The name as last saved heads the JSON, whichever spelling was asked for.
        out += csv ? ShooterResultsCsv(results)
                   : ShooterResultsJson(index.ShooterResults(args[2]).front().shooter, results);
        return 0;
    }
    const std::vector<IndexedResult> results = index.GroupResults(options->group, options->filter);
    if (results.empty()) {
        return Fail(err, QStringLiteral("Результатов группы %1 в архиве нет.").arg(options->group),
                    1);
    }
    const std::vector<ShooterSummary> rows = SummariseGroup(results);
    out += csv ? SummaryCsv(rows) : SummaryJson(results.front().group, rows);
    return 0;
}

} // namespace

int RunArchiveTool(const QStringList& args, QByteArray& out, QByteArray& err,
                   const QString& dataDir, const QString& cacheDir) {
    if (args.size() < 2) {
        return Fail(err, QStringLiteral("Не указаны команда и папка."), 2);
    }
    const QString& command = args[0];
    const QString& startDir = args[1];
    if (!QFileInfo(startDir).isDir()) {
        return Fail(err, QStringLiteral("Папка %1 не найдена.").arg(startDir), 1);
    }
    // Without the pack's zone maps every shot on a library target would score 0.
    ProgramState state;
    state.StartDir = startDir;
    state.DataDir = dataDir;
    LoadTargetLibrary(state);
    if (command == QLatin1String("list")) {
        if (args.size() != 2) {
            return Fail(err, QStringLiteral("Команде list нужна только папка."), 2);
        }
        return List(startDir, out);
    }
    if (command == QLatin1String("shooter") || command == QLatin1String("summary")) {
        return FromIndex(args, state, cacheDir, out, err);
    }
    if (command != QLatin1String("export")) {
        return Fail(err, QStringLiteral("Неизвестная команда: %1.").arg(command), 2);
    }
    QString year, month, group, format = QStringLiteral("csv");
    std::optional<QString> date;
    for (qsizetype i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return Fail(err, QStringLiteral("Нет значения у %1.").arg(args[i]), 2);
        }
        const QString& value = args[i + 1];
        if (args[i] == QLatin1String("--year")) {
            year = value;
        } else if (args[i] == QLatin1String("--month")) {
            month = value;
        } else if (args[i] == QLatin1String("--group")) {
            group = value;
        } else if (args[i] == QLatin1String("--date")) {
            date = value;
        } else if (args[i] == QLatin1String("--format")) {
            format = value;
        } else {
            return Fail(err, QStringLiteral("Неизвестный параметр: %1.").arg(args[i]), 2);
        }
    }
    if (year.isEmpty() || month.isEmpty() || group.isEmpty()) {
        return Fail(err, QStringLiteral("Нужны --year, --month и --group."), 2);
    }
    bool yearOk = false;
    const int yearNumber = year.toInt(&yearOk);
    const std::optional<int> monthNumber = MonthOf(month);
    if (!yearOk || !monthNumber) {
        return Fail(err, QStringLiteral("Год или месяц указан неверно: %1, %2.").arg(year, month),
                    2);
    }
    if (format != QLatin1String("csv") && format != QLatin1String("json")) {
        return Fail(err, QStringLiteral("Формат может быть csv или json, а не %1.").arg(format), 2);
    }
    // A group typed with blanks names the same file as the browser's underscores.
    ExportScope scope{GroupOfFile(GroupFileName(group)), yearNumber, *monthNumber, date};
    const QString path =
        QDir(MonthFolderPath(startDir, yearNumber, *monthNumber)).filePath(GroupFileName(group));
    ArchiveTables tables;
    if (!ReadGroupFile(tables, path, ShotScorer{LoadedZones(state)})) {
        return Fail(err, QStringLiteral("Файл группы %1 не удалось прочитать.").arg(path), 1);
    }
    std::vector<ResultRecord> records = std::move(tables.ArchiveRecords);
    if (date) {
        records = RecordsOfDate(records, *date);
        if (records.empty()) {
            return Fail(err, QStringLiteral("За %1 в группе %2 результатов нет.").arg(*date, group),
                        1);
        }
    }
    out +=
        format == QLatin1String("csv") ? ResultsCsv(records, scope) : ResultsJson(records, scope);
    return 0;
}

} // namespace ryvo
