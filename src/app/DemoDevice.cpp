#include "app/DemoDevice.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <utility>

namespace ryvo {

namespace {

constexpr int kStartLimitMs = 10000;
constexpr int kStopWaitMs = 3000;

} // namespace

DemoDevice::DemoDevice(QString program, QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_timeout(new QTimer(this)) {
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] {
        Fail(QStringLiteral("симулятор не ответил за %1 с").arg(kStartLimitMs / 1000));
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &DemoDevice::ReadLines);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            Fail(m_process.errorString());
        }
    });
    connect(&m_process, &QProcess::finished, this, [this] {
        m_link.clear();
        Fail(QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed());
    });
}

DemoDevice::~DemoDevice() {
    m_process.disconnect(this);
    Stop();
}

QString DemoDevice::SimulatorBeside(const QString& programDir) {
#ifdef Q_OS_UNIX
    const QFileInfo program(QDir(programDir).filePath(QStringLiteral("ryvo-sim")));
    if (program.isFile() && program.isExecutable()) {
        return program.absoluteFilePath();
    }
#else
    Q_UNUSED(programDir);
#endif
    return {};
}

bool DemoDevice::Running() const {
    return m_process.state() != QProcess::NotRunning;
}

bool DemoDevice::Launch() {
    if (!Available() || Running()) {
        return false;
    }
    m_link.clear();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ryvo-demo-XXXXXX"));
    if (!m_dir->isValid()) {
        return false;
    }
    m_pending = m_dir->filePath(QStringLiteral("tty"));
    // The simulator stops when the program that started it is gone, even after a crash.
    QStringList arguments = {QStringLiteral("--interactive"), QStringLiteral("--exit-with-parent"),
                             QStringLiteral("--link"), m_pending};
    arguments << extraArguments;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(m_program, arguments);
    return true;
}

void DemoDevice::Start(std::function<void(const QString&)> ready,
                       std::function<void(const QString&)> failed) {
    if (Running()) {
        return;
    }
    m_ready = std::move(ready);
    m_failed = std::move(failed);
    if (!Launch()) {
        Fail(QStringLiteral("нет симулятора"));
        return;
    }
    m_timeout->start(kStartLimitMs);
}

QString DemoDevice::StartAndWait(int timeoutMs, QString* error) {
    QString why;
    m_ready = nullptr;
    m_failed = [&why](const QString& text) { why = text; };
    if (!Launch()) {
        why = QStringLiteral("нет симулятора");
    } else {
        QDeadlineTimer deadline(timeoutMs);
        while (m_link.isEmpty() && why.isEmpty() && Running() &&
               m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            ReadLines();
        }
        if (m_link.isEmpty() && why.isEmpty()) {
            why = QStringLiteral("симулятор не ответил");
            Stop();
        }
    }
    m_failed = nullptr;
    if (error != nullptr) {
        *error = why;
    }
    return m_link;
}

void DemoDevice::ReadLines() {
    // It prints its port once the pseudo-terminal is ready.
    while (m_link.isEmpty() && m_process.canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (line == m_pending) {
            m_link = line;
            m_timeout->stop();
            m_failed = nullptr; // up and serving: its end later is no failure to start
            if (auto ready = std::exchange(m_ready, nullptr)) {
                ready(m_link);
            }
        }
    }
}

void DemoDevice::Fail(const QString& why) {
    m_timeout->stop();
    if (m_link.isEmpty() && Running()) {
        Stop();
    }
    if (auto failed = std::exchange(m_failed, nullptr)) {
        failed(why);
    }
    m_ready = nullptr;
}

void DemoDevice::Stop() {
    m_timeout->stop();
    if (Running()) {
        m_process.terminate();
        if (!m_process.waitForFinished(kStopWaitMs)) {
            m_process.kill();
            m_process.waitForFinished(kStopWaitMs);
        }
    }
    m_link.clear();
}

} // namespace ryvo
