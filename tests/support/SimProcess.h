#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace ryvo::test {

// The built ryvo-sim program.
QString SimProgram();

// Runs build/bin/ryvo-sim on a pseudo-terminal for one test; stops it when destroyed.
class SimProcess {
public:
    // `scenario` is the scenario file's text; extra arguments such as "--unpaced" follow.
    // `link` names the port path to create; by default one in a temporary folder.
    explicit SimProcess(const QByteArray& scenario, const QStringList& extra = {},
                        const QString& link = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // False when the simulator did not come up; Error() says why.
    bool Started() const { return m_started; }
    QString Error() const { return m_error; }
    // The stable symlink to the pseudo-terminal, as a port name.
    QString Link() const { return m_link; }

    // Stops the simulator (the pseudo-terminal goes away) and returns every byte it logged.
    std::vector<std::uint8_t> StopAndReadLog();
    // The same with the time each byte arrived, in ms since the simulator started.
    struct LoggedByte {
        double ms = 0.0;
        std::uint8_t byte = 0;
    };
    std::vector<LoggedByte> StopAndReadTimedLog();
    // Kills the simulator at once, like pulling the cable.
    void Kill();
    // Stops and resumes the simulator's process, as a loaded machine may hold it off the
    // processor: requests queue on the line meanwhile and are answered late, all at once.
    void Pause();
    void Resume();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_link;
    QString m_logPath;
    QString m_error;
    bool m_started = false;
};

} // namespace ryvo::test
