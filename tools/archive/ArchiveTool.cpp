#include "ArchiveTool.h"

#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveExport.h"
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

} // namespace

int RunArchiveTool(const QStringList& args, QByteArray& out, QByteArray& err,
                   const QString& dataDir) {
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
