// The printer without a printer installed writes PDF files; it needs the print-support
// widgets, so these cases run with the windows.
#include "archive/Printing.h"
#include "archive/RelaySheet.h"
#include "archive/SaveDialogModel.h"
#include "core/ProgramState.h"
#include "platform/Printer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <map>

using namespace ryvo;

namespace {

ResultRecord Sheet(std::int32_t type, std::vector<ShotPoint> shots) {
    ResultRecord r;
    r.Date = QStringLiteral("7.12.2008");
    r.Time = QStringLiteral("9:5");
    r.Shooter = QStringLiteral("Петров");
    r.TargetType = type;
    r.PlannedShots = 10;
    r.ShotsMade = static_cast<std::int32_t>(shots.size());
    r.SumText = QStringLiteral("27");
    r.Shots = std::move(shots);
    return r;
}

// The texts of a PDF as Qt writes them: each BT..ET block of the page content, its glyph codes
// turned back into Unicode by the ToUnicode map of the font in use.
QStringList PdfTexts(const QByteArray& pdf) {
    auto object = [&](const QByteArray& id) {
        const qsizetype start = pdf.indexOf("\n" + id + " 0 obj");
        return start < 0 ? QByteArray() : pdf.mid(start, pdf.indexOf("endobj", start) - start);
    };
    auto streamOf = [](const QByteArray& obj) {
        qsizetype start = obj.indexOf("stream") + 6;
        while (start < obj.size() && (obj[start] == '\r' || obj[start] == '\n')) {
            ++start;
        }
        const QByteArray raw = obj.mid(start, obj.lastIndexOf("endstream") - start);
        if (!obj.contains("/FlateDecode")) {
            return raw;
        }
        QByteArray sized(4, '\0');
        qToBigEndian(static_cast<quint32>(raw.size() * 20), sized.data());
        return qUncompress(sized + raw);
    };
    const QString text = QString::fromLatin1(pdf);
    const QRegularExpression hex(QStringLiteral("<([0-9A-Fa-f]+)>"));
    // Font resource name -> glyph code -> character.
    std::map<QString, std::map<int, QChar>> fonts;
    const QRegularExpression resource(QStringLiteral("/(F\\d+) (\\d+) 0 R"));
    for (auto it = resource.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const QByteArray font = object(m.captured(2).toLatin1());
        const auto toUnicode = QRegularExpression(QStringLiteral("/ToUnicode (\\d+) 0 R"))
                                   .match(QString::fromLatin1(font));
        const QString cmap =
            QString::fromLatin1(streamOf(object(toUnicode.captured(1).toLatin1())));
        const QRegularExpression range(
            QStringLiteral("<([0-9A-Fa-f]+)> <[0-9A-Fa-f]+> \\[([^\\]]*)\\]"));
        for (auto r = range.globalMatch(cmap); r.hasNext();) {
            const auto entry = r.next();
            int code = entry.captured(1).toInt(nullptr, 16);
            for (auto u = hex.globalMatch(entry.captured(2)); u.hasNext(); ++code) {
                fonts[m.captured(1)][code] = QChar(u.next().captured(1).toUShort(nullptr, 16));
            }
        }
    }
    QStringList texts;
    const QRegularExpression content(
        QStringLiteral("\\n(\\d+) 0 obj\\s*<<[^>]*/Filter /FlateDecode"));
    for (auto it = content.globalMatch(text); it.hasNext();) {
        const QString stream =
            QString::fromLatin1(streamOf(object(it.next().captured(1).toLatin1())));
        const QRegularExpression token(
            QStringLiteral("/(F\\d+) [\\d.]+ Tf|<([0-9A-Fa-f]+)> Tj|\\bET\\b"));
        QString font;
        QString run;
        for (auto t = token.globalMatch(stream); t.hasNext();) {
            const auto m = t.next();
            if (!m.captured(1).isEmpty()) {
                font = m.captured(1);
            } else if (!m.captured(2).isEmpty()) {
                const QString codes = m.captured(2);
                for (qsizetype k = 0; k + 4 <= codes.size(); k += 4) {
                    run += fonts[font][codes.mid(k, 4).toInt(nullptr, 16)];
                }
            } else if (!run.isEmpty()) {
                // Qt maps the blank's glyph to a tab.
                texts << run.replace(QChar(u'\t'), QChar(u' '));
                run.clear();
            }
        }
    }
    return texts;
}

} // namespace

TEST(Printing, WithoutAPrinterTheSheetBecomesAPdf) {
    test::TempDir dir;
    QtPrinter printer(dir.Path(), [] { return QStringList(); });
    ResultRecord r = Sheet(1, {{0, 0}});
    r.Shooter = QStringLiteral("Иван/Петров");
    const PrintOutcome outcome = PrintTarget(printer, r, QStringLiteral("Взвод"), ProgramState());
    ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
    EXPECT_EQ(QFileInfo(outcome.pdfPath).absolutePath(),
              QDir(dir.File(QStringLiteral("Печать"))).absolutePath());
    EXPECT_EQ(QFileInfo(outcome.pdfPath).fileName(),
              QStringLiteral("7.12.2008 9-5 Иван_Петров.pdf"));
    QFile pdf(outcome.pdfPath);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));

    // Same name again: a second file, the first is kept.
    const PrintOutcome again = PrintTarget(printer, r, QStringLiteral("Взвод"), ProgramState());
    ASSERT_TRUE(again.ok);
    EXPECT_NE(again.pdfPath, outcome.pdfPath);
    EXPECT_TRUE(QFile::exists(outcome.pdfPath));

    std::vector<ResultRecord> day(100, Sheet(1, {}));
    const PrintOutcome table = PrintDayTable(printer, day, QStringLiteral("Взвод"));
    ASSERT_TRUE(table.ok);
    QFile tablePdf(table.pdfPath);
    ASSERT_TRUE(tablePdf.open(QIODevice::ReadOnly));
    const QString content = QString::fromLatin1(tablePdf.readAll());
    EXPECT_GE(content.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))), 2);
}

TEST(SaveDialogModel, WithoutAPrinterTheUserLearnsWhereTheSheetWent) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    state.settings.Target = {1, 2, -1, -1, -1, -1, -1, -1};
    state.CurrentLane = 1;
    state.run.ShotCount[1] = 2;
    state.run.ShotPos[1] = {{1.0F, 2.0F}, {-3.0F, 4.0F}};
    QtPrinter pdf(dir.Path(), [] { return QStringList(); });
    state.SaveDialogMode = 1;
    SaveDialogModel model(state, &pdf, [] { return QDateTime(QDate(2008, 12, 7), QTime(9, 5)); });
    model.Activate();
    const auto outcome = model.Exit(QStringLiteral("Г"), QStringLiteral("Иван"), QString());
    EXPECT_TRUE(outcome.handBack);
    ASSERT_TRUE(outcome.message.has_value());
    const QString folder = QDir::toNativeSeparators(dir.File(QStringLiteral("Печать")));
    EXPECT_TRUE(outcome.message->text.contains(folder)) << outcome.message->text.toStdString();
    EXPECT_EQ(QDir(dir.File(QStringLiteral("Печать"))).entryList(QDir::Files).size(), 1);
}

TEST(Printing, RelaySheetWithoutAPrinterIsOneA4PdfWithItsCsvBeside) {
    test::TempDir dir;
    ProgramState state;
    state.StartDir = dir.Path();
    state.GroupName = QStringLiteral("Взвод");
    state.settings.Target = {2, 2, 2, 2, 2, -1, -1, -1};
    state.LanePresent = {1, 1, 1, 1, 1};
    state.LaneShooter = {QStringLiteral("Петров"), QStringLiteral("Иванов")};
    state.run.ShotPos[0] = {{0, 0}, {10, 10}};
    state.run.ShotCount[0] = 2;
    QtPrinter printer(dir.Path(), [] { return QStringList(); });
    const std::vector<int> lanes = RelayLanes(state, kLaneCount);
    const RelaySheetOutcome outcome =
        OutputRelaySheet(&printer, dir.Path(),
                         BuildRelaySheet(state, lanes, QDateTime(QDate(2008, 12, 7), QTime(9, 5))));
    ASSERT_TRUE(outcome.printed.ok) << outcome.printed.error.toStdString();
    EXPECT_EQ(QFileInfo(outcome.printed.pdfPath).fileName(),
              QStringLiteral("7.12.2008 09-05 Ведомость смены Взвод.pdf"));
    EXPECT_EQ(QFileInfo(outcome.printed.pdfPath).absolutePath(),
              QDir(dir.File(QStringLiteral("Печать"))).absolutePath());
    EXPECT_TRUE(outcome.csvWritten);
    EXPECT_EQ(outcome.csvPath, outcome.printed.pdfPath.chopped(4) + QStringLiteral(".csv"));
    QFile pdf(outcome.printed.pdfPath);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const QString content = QString::fromLatin1(bytes);
    EXPECT_EQ(content.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))), 1);
    // A4 in points: 595 x 842.
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([\\d.]+)\\s+([\\d.]+)"))
            .match(content);
    ASSERT_TRUE(box.hasMatch());
    EXPECT_NEAR(box.captured(1).toDouble(), 595.3, 1.0);
    EXPECT_NEAR(box.captured(2).toDouble(), 841.9, 1.0);
    // Drawn as text, the names read back from the page.
    const QStringList texts = PdfTexts(bytes);
    EXPECT_TRUE(texts.contains(QStringLiteral("Ведомость смены")))
        << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Петров")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Иванов")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Группа:  Взвод")));
}
