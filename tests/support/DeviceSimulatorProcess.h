#pragma once

#include "support/TestSupport.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// The device-service simulator (tools/zorva-device-sim) run as a child process on
// the test's session bus, with its request log in a temporary file. Ended
// (SIGKILL) on destruction.
class DeviceSimulatorProcess {
public:
    // Starts the simulator with a scenario file (may be empty) and extra options,
    // and waits until its name is on the bus. started() tells whether it came up.
    explicit DeviceSimulatorProcess(const QString& scenarioPath = QString(),
                                    const QStringList& options = {});
    DeviceSimulatorProcess(const DeviceSimulatorProcess&) = delete;
    DeviceSimulatorProcess& operator=(const DeviceSimulatorProcess&) = delete;

    bool started() const { return m_process->started(); }

    // The log lines written so far ("request ...", "callback ...").
    QStringList log() const;
    // Only the "request ..." lines, without the word "request ".
    QStringList requests() const { return waitForRequests(0); }
    // requests() once it holds at least `count` lines, or after 5 s (one-way
    // messages are logged a moment after their sender has gone on).
    QStringList waitForRequests(int count) const;

    // Runs `zorva-device-sim send COMMAND ARGS...` and waits for it while this
    // thread's events are processed (the status item's server may be in this
    // process). Returns the client's exit status; its output goes to *output.
    static int send(const QStringList& commandAndArgs, QString* output = nullptr);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<BusServiceProcess> m_process;
};

// Path of a scenario shipped with the simulator, e.g. scenario("demo.json").
QString simulatorScenario(const QString& name);

} // namespace testsupport
