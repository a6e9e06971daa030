#include "FileAudit.h"

#include "archive/ArchiveStore.h"
#include "archive/GroupStore.h"
#include "calibration/Calibration.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>

namespace ryvo::monkey {
namespace {

const SaveTime kSaved{2026, 12, 8, 14, 5};
const QString kGroupFile = QStringLiteral("2026/Декабрь/Взвод_1.rec");

NewResult Series(const QString& shooter) {
    NewResult result;
    result.shooter = shooter;
    result.targetType = 1;
    result.plannedShots = 2;
    result.shots = {{0, 0}, {10, -5}};
    result.beside = QJsonObject{{QStringLiteral("grade"), 5}};
    result.trace = QByteArray(200, 'x');
    return result;
}

void Append(const test::TempDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.File(name));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(bytes);
}

// What the program writes reads back; each kind of damage is named, with its file.
TEST(FileAudit, FilesThatReadBackPassAndEachDamageIsNamed) {
    test::TempDir dir;
    Settings settings;
    settings.TimeGun = 20; // within what the calibration reader keeps
    settings.TimePost = 40;
    ASSERT_TRUE(WriteSettings(settings, dir.File(QString::fromLatin1(kSettingsFileName))));
    ASSERT_TRUE(WriteCalibration(settings, dir.File(QStringLiteral("ryvw.dat"))));
    ASSERT_TRUE(WriteGroup(dir.Path(), QStringLiteral("Взвод 1"), {QStringLiteral("Иванов")}));
    ASSERT_TRUE(AppendResult(dir.Path(), QStringLiteral("Взвод 1"), kSaved,
                             Series(QStringLiteral("Иванов")))
                    .ok);
    ASSERT_TRUE(AppendResult(dir.Path(), QStringLiteral("Взвод 1"), kSaved,
                             Series(QStringLiteral("Петров")))
                    .ok);
    AuditResult clean = AuditStartDir(dir.Path());
    EXPECT_TRUE(clean.problems.isEmpty()) << clean.problems.join(u'\n').toStdString();
    EXPECT_EQ(clean.checked, 6); // settings, calibration, group list, .rec, .rex, .trc

    // An entry naming the other record, a torn record, a settings line the writer would not
    // write, a torn part kept aside.
    QFile entries(dir.File(QStringLiteral("2026/Декабрь/Взвод_1.rex")));
    ASSERT_TRUE(entries.open(QIODevice::ReadOnly));
    QByteArray image = entries.readAll();
    entries.close();
    image.replace("\"record\":0", "\"record\":1");
    dir.Write(QStringLiteral("2026/Декабрь/Взвод_1.rex"), image);
    Append(dir, kGroupFile, "Сидоров\r\n8.12.2026\r\n");
    Append(dir, QString::fromLatin1(kSettingsFileName), "Time = 10\r\n");
    dir.Write(QStringLiteral("2026/Декабрь/Взвод_1.rec.torn"), "x");
    const AuditResult damaged = AuditStartDir(dir.Path());
    ASSERT_EQ(damaged.problems.size(), 4) << damaged.problems.join(u'\n').toStdString();
    EXPECT_TRUE(
        damaged.problems[0].startsWith(QStringLiteral("2026/Декабрь/Взвод_1.rec: ends in a torn")));
    EXPECT_TRUE(
        damaged.problems[1].startsWith(QStringLiteral("2026/Декабрь/Взвод_1.rec.torn: torn")));
    EXPECT_TRUE(damaged.problems[2].contains(QStringLiteral(".rex: entry 1 does not pair")));
    EXPECT_TRUE(damaged.problems[3].startsWith(QStringLiteral("ryvw.cfg: does not read back")));
}

} // namespace
} // namespace ryvo::monkey
