#pragma once

// Real processes for the desktop service tests: private D-Bus daemons, the
// Python fakes of tests/e2e/fakes, and a virtual X server.

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariantList>

#include <functional>
#include <optional>
#include <utility>

#include <csignal>
#include <sys/prctl.h>

namespace lumio::test {

// The Debian interpreter, whatever python3 comes first on PATH: the fakes
// need its python3-dbus and python3-gi.
inline const QString PYTHON = QStringLiteral("/usr/bin/python3");

// Runs the event loop until the condition holds; false once timeoutMs passed.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Lets the event loop run for a while, for what must not happen.
inline void settle(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

// Sets or unsets an environment variable for the scope.
class EnvOverride {
  public:
    EnvOverride(const char* name, std::optional<QByteArray> value)
        : name(name),
          saved(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        apply(value);
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;
    ~EnvOverride() { apply(saved); }

  private:
    void apply(const std::optional<QByteArray>& value) const {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
    }

    const char* name;
    std::optional<QByteArray> saved;
};

// A process the test started, stopped and reaped when it goes.
class Child {
  public:
    Child(const QString& program, const QStringList& arguments, bool quiet = false) {
        process.setProgram(program);
        process.setArguments(arguments);
        if (quiet) process.setStandardErrorFile(QProcess::nullDevice());
        // Gone with the test process even when it dies or exits early: a bus
        // daemon left behind would also hold a death test's pipe open.
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }

    // Its next line on stdout without the newline; empty when none came in time.
    QString readLine(int timeoutMs = 5000) {
        const QDeadlineTimer deadline(timeoutMs);
        while (!process.canReadLine()) {
            if (deadline.hasExpired()) return {};
            if (!process.waitForReadyRead(50) && process.state() == QProcess::NotRunning) return {};
        }
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    void stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

  private:
    QProcess process;
};

// A dbus-daemon of our own: "session" or "system" type, open to everyone.
class PrivateBus {
  public:
    PrivateBus(const QString& type, const QString& folder)
        : child(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + writeConfig(type, folder),
                 QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
                true),
          address(child.readLine()) {}

    Child child;
    const QString address;

  private:
    static QString writeConfig(const QString& type, const QString& folder) {
        const QString path = QDir(folder).filePath(type + QStringLiteral(".conf"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QStringLiteral("<busconfig><type>%1</type>"
                                      "<listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                      "<policy context=\"default\">"
                                      "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                      "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                      "<allow user=\"*\"/></policy></busconfig>\n")
                           .arg(type)
                           .toUtf8());
        }
        return path;
    }
};

// One of the Python fakes, up once it owns its names; on leaving it waits
// until the bus has let go of them, so the next test starts clean.
class FakeService {
  public:
    FakeService(QDBusConnection bus, const QString& script, const QStringList& names,
                const QStringList& arguments = {})
        : bus(std::move(bus)), names(names),
          child(PYTHON,
                QStringList{QStringLiteral("-B"), QStringLiteral(LUMIO_FAKES_DIR "/") + script} +
                    arguments),
          ready(child.readLine() == QLatin1String("ready")) {}
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;
    ~FakeService() { stop(); }

    bool isReady() const { return ready; }

    void stop() {
        child.stop();
        waitFor([this] {
            for (const QString& name : names) {
                if (bus.interface()->isServiceRegistered(name)) return false;
            }
            return true;
        });
    }

    // A method of the fake's control interface; true once it returned.
    bool control(const QString& path, const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            names.constFirst(), path, QStringLiteral("org.lumio.Test"), method);
        call.setArguments(arguments);
        return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

  private:
    QDBusConnection bus;
    const QStringList names;
    Child child;
    const bool ready;
};

// Xvfb on a free display number.
class VirtualX {
  public:
    VirtualX()
        : child(QStringLiteral("Xvfb"),
                {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                 QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                 QStringLiteral("640x480x24")},
                true),
          display(QStringLiteral(":") + child.readLine()) {}

    bool isUp() const { return display.size() > 1; }

    Child child;
    const QString display;
};

} // namespace lumio::test
