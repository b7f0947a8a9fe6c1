#include "desktop/system/MutterIdleSource.h"

#include "desktop/system/SessionBusCall.h"

#include <QDBusConnection>

namespace lumio {

namespace {

const QString SERVICE = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString PATH = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString INTERFACE = QStringLiteral("org.gnome.Mutter.IdleMonitor");

std::optional<std::uint64_t> call(const QString& method, const QVariantList& arguments = {}) {
    return callForNumber(SERVICE, PATH, INTERFACE, method, arguments);
}

} // namespace

MutterIdleSource::MutterIdleSource()
    : shellOnBus(SERVICE, QDBusConnection::sessionBus(),
                 QDBusServiceWatcher::WatchForUnregistration) {
    connect(&shellOnBus, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { running = false; });
}

bool MutterIdleSource::connectSignal(bool on) {
    auto bus = QDBusConnection::sessionBus();
    const auto signal = QStringLiteral("WatchFired");
    return on ? bus.connect(SERVICE, PATH, INTERFACE, signal, this, SLOT(fired(uint)))
              : bus.disconnect(SERVICE, PATH, INTERFACE, signal, this, SLOT(fired(uint)));
}

bool MutterIdleSource::start(double idleThreshold, std::function<void()> crossed) {
    running = false;
    connectSignal(false);
    threshold = idleThreshold;
    activeWatch = 0;
    crossings.tellTo(std::move(crossed));
    const auto thresholdMs = static_cast<std::uint64_t>(threshold * 1000.0);
    const auto idleMs = call(QStringLiteral("GetIdletime"));
    if (!idleMs || !connectSignal(true)) return false;
    const auto watch =
        call(QStringLiteral("AddIdleWatch"), {QVariant::fromValue(qulonglong{thresholdMs})});
    if (!watch) return false;
    idleWatch = static_cast<uint>(*watch);
    running = true;
    // Already idle for long: the idle watch waits for the next stretch.
    if (*idleMs >= thresholdMs) {
        crossings.idled();
        watchForReturn();
    }
    return true;
}

void MutterIdleSource::watchForReturn() {
    const auto watch = call(QStringLiteral("AddUserActiveWatch"));
    running = running && watch.has_value();
    activeWatch = static_cast<uint>(watch.value_or(0));
}

void MutterIdleSource::fired(uint watch) {
    if (!running || watch == 0) return;
    if (watch == idleWatch) {
        crossings.idled();
        watchForReturn();
    } else if (watch == activeWatch) {
        crossings.resumed();
        activeWatch = 0;
    }
}

std::optional<double> MutterIdleSource::idleSeconds() {
    if (!running) return std::nullopt;
    return crossings.seconds(threshold);
}

} // namespace lumio
