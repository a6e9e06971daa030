#include "support/SimProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace ryvo::test {

QString SimProgram() {
#ifdef RYVO_SIM_PROGRAM
    return QString::fromUtf8(RYVO_SIM_PROGRAM);
#else
    return QDir(qEnvironmentVariable("RYVO_BIN_DIR")).filePath(QStringLiteral("ryvo-sim"));
#endif
}

SimProcess::SimProcess(const QByteArray& scenario, const QStringList& extra, const QString& link) {
    const QString program = SimProgram();
    if (!QFileInfo(program).isExecutable()) {
        m_error = QStringLiteral("no simulator at %1").arg(program);
        return;
    }
    const QString scenarioPath = m_dir.filePath(QStringLiteral("scenario.txt"));
    QFile file(scenarioPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(scenario) != scenario.size()) {
        m_error = QStringLiteral("cannot write the scenario");
        return;
    }
    file.close();
    m_link = link.isEmpty() ? m_dir.filePath(QStringLiteral("ttyRYVO")) : link;
    m_logPath = m_dir.filePath(QStringLiteral("bytes.log"));
    QStringList args = {QStringLiteral("--link"),     m_link,
                        QStringLiteral("--scenario"), scenarioPath,
                        QStringLiteral("--log"),      m_logPath};
    args << extra;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(program, args);
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("simulator did not start");
        return;
    }
    // It prints the link path once the pseudo-terminal is ready.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000)) {
            m_error = QStringLiteral("simulator said nothing: %1")
                          .arg(QString::fromUtf8(m_process.readAllStandardError()));
            return;
        }
    }
    const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
    if (line != m_link) {
        m_error = QStringLiteral("simulator printed '%1'").arg(line);
        return;
    }
    m_started = true;
}

SimProcess::~SimProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

std::vector<std::uint8_t> SimProcess::StopAndReadLog() {
    std::vector<std::uint8_t> bytes;
    for (const LoggedByte& b : StopAndReadTimedLog()) {
        bytes.push_back(b.byte);
    }
    return bytes;
}

std::vector<SimProcess::LoggedByte> SimProcess::StopAndReadTimedLog() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    std::vector<LoggedByte> bytes;
    QFile log(m_logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        return bytes;
    }
    // "<ms> <hex byte>" per line.
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 2) {
            bool okTime = false;
            bool ok = false;
            const double ms = parts[0].toDouble(&okTime);
            const int value = parts[1].toInt(&ok, 16);
            if (ok && okTime) {
                bytes.push_back({ms, static_cast<std::uint8_t>(value)});
            }
        }
    }
    return bytes;
}

void SimProcess::Kill() {
    m_process.kill();
    m_process.waitForFinished(3000);
}

// The simulator runs on pseudo-terminals only, so only POSIX systems pause it.
void SimProcess::Pause() {
#ifdef Q_OS_UNIX
    if (m_process.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGSTOP);
    }
#endif
}

void SimProcess::Resume() {
#ifdef Q_OS_UNIX
    if (m_process.state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
    }
#endif
}

} // namespace ryvo::test
