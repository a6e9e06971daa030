#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryDir;
class QTimer;

namespace ryvo {

// The demonstration device: ryvo-sim with its window of lane pads (the mouse aims, a click
// fires) on a pseudo-terminal, started and stopped by the program.
class DemoDevice final : public QObject {
    Q_OBJECT
public:
    // `program` is the simulator; without one there is no demonstration.
    explicit DemoDevice(QString program, QObject* parent = nullptr);
    // Stops the simulator: it never outlives the session that started it.
    ~DemoDevice() override;

    // ryvo-sim beside the program, on systems with pseudo-terminals; empty where there is
    // none.
    static QString SimulatorBeside(const QString& programDir);

    [[nodiscard]] bool Available() const { return !m_program.isEmpty(); }
    [[nodiscard]] bool Running() const;
    // The port the simulator serves once it is up; empty before.
    [[nodiscard]] const QString& Link() const { return m_link; }

    // Starts the simulator; `ready` gets its port once it serves it, `failed` a text for the
    // user if it does not come up. Does nothing while it runs.
    void Start(std::function<void(const QString&)> ready,
               std::function<void(const QString&)> failed);
    // The same, waiting up to `timeoutMs` (start-up, which blocks anyway): the port, or empty
    // with the reason in `error`.
    QString StartAndWait(int timeoutMs, QString* error = nullptr);
    void Stop();

    // Arguments added for the simulator (tests give it a scenario).
    QStringList extraArguments;

private:
    bool Launch();
    void ReadLines();
    void Fail(const QString& why);

    QString m_program;
    QProcess m_process;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_pending;
    QString m_link;
    QTimer* m_timeout;
    std::function<void(const QString&)> m_ready;
    std::function<void(const QString&)> m_failed;
};

} // namespace ryvo
