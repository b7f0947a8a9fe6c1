#include "desktop/system/DBusSessionEvents.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantList>

#include <optional>
#include <utility>

#include <unistd.h>

namespace lumio {

namespace {

const QString LOGIN1 = QStringLiteral("org.freedesktop.login1");
const QString LOGIN1_PATH = QStringLiteral("/org/freedesktop/login1");
const QString MANAGER = QStringLiteral("org.freedesktop.login1.Manager");
const QString SESSION = QStringLiteral("org.freedesktop.login1.Session");
const QString PROPERTIES = QStringLiteral("org.freedesktop.DBus.Properties");
const QString LOCKED_HINT = QStringLiteral("LockedHint");

// Asked once at start; a hung logind must not hold the program up for long.
constexpr int LOOKUP_TIMEOUT_MS = 500;

std::optional<QVariant> askLogind(const QDBusConnection& bus, const QString& path,
                                  const QString& interface, const QString& method,
                                  const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(LOGIN1, path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, LOOKUP_TIMEOUT_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return reply.arguments().constFirst();
}

std::optional<QString> objectPath(const std::optional<QVariant>& value) {
    if (!value || value->metaType() != QMetaType::fromType<QDBusObjectPath>()) return std::nullopt;
    const QString path = value->value<QDBusObjectPath>().path();
    if (path.isEmpty() || path == QLatin1String("/")) return std::nullopt;
    return path;
}

// The user's graphical session: the Display property of their logind user is
// a (session id, session path) pair, "/" when there is none.
std::optional<QString> displaySession(const QDBusConnection& bus) {
    const auto property = askLogind(
        bus, QStringLiteral("/org/freedesktop/login1/user/self"), PROPERTIES, QStringLiteral("Get"),
        {QStringLiteral("org.freedesktop.login1.User"), QStringLiteral("Display")});
    if (!property || property->metaType() != QMetaType::fromType<QDBusVariant>()) {
        return std::nullopt;
    }
    const QVariant display = property->value<QDBusVariant>().variant();
    if (display.metaType() != QMetaType::fromType<QDBusArgument>()) return std::nullopt;
    const auto argument = display.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(so)")) return std::nullopt;
    QString id;
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> id >> path;
    argument.endStructure();
    return objectPath(QVariant::fromValue(path));
}

std::optional<QString> logindSession(const QDBusConnection& bus) {
    if (const QString id = qEnvironmentVariable("XDG_SESSION_ID"); !id.isEmpty()) {
        if (auto path = objectPath(
                askLogind(bus, LOGIN1_PATH, MANAGER, QStringLiteral("GetSession"), {id}))) {
            return path;
        }
    }
    if (auto path =
            objectPath(askLogind(bus, LOGIN1_PATH, MANAGER, QStringLiteral("GetSessionByPID"),
                                 {QVariant::fromValue(static_cast<quint32>(::getpid()))}))) {
        return path;
    }
    return displaySession(bus);
}

} // namespace

DBusSessionEvents::DBusSessionEvents(QObject* parent) : QObject(parent) {}

void DBusSessionEvents::watch(SessionEventHandlers newHandlers) {
    handlers = std::move(newHandlers);
    if (!subscribed) subscribe();
    subscribed = true;
}

void DBusSessionEvents::subscribe() {
    if (QDBusConnection system = QDBusConnection::systemBus(); system.isConnected()) {
        system.connect(LOGIN1, LOGIN1_PATH, MANAGER, QStringLiteral("PrepareForSleep"), this,
                       SLOT(prepareForSleep(bool)));
        if (const auto session = logindSession(system)) {
            system.connect(LOGIN1, *session, PROPERTIES, QStringLiteral("PropertiesChanged"), this,
                           SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
        }
    }
    if (QDBusConnection sessionBus = QDBusConnection::sessionBus(); sessionBus.isConnected()) {
        // Any sender, any path: each desktop's locker announces itself its own way.
        for (const auto* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver",
                                      "org.cinnamon.ScreenSaver", "org.xfce.ScreenSaver"}) {
            sessionBus.connect(QString(), QString(), QString::fromLatin1(interface),
                               QStringLiteral("ActiveChanged"), this,
                               SLOT(screenSaverActiveChanged(bool)));
        }
    }
}

void DBusSessionEvents::prepareForSleep(bool sleeping) {
    if (!sleeping && handlers.onWake) handlers.onWake();
}

void DBusSessionEvents::sessionPropertiesChanged(const QString& interface,
                                                 const QVariantMap& changed, const QStringList&) {
    const auto hint = changed.constFind(LOCKED_HINT);
    if (interface != SESSION || hint == changed.constEnd() ||
        hint->metaType() != QMetaType::fromType<bool>()) {
        return;
    }
    lockedChanged(hint->toBool());
}

void DBusSessionEvents::screenSaverActiveChanged(bool active) {
    lockedChanged(active);
}

void DBusSessionEvents::lockedChanged(bool locked) const {
    const auto& handler = locked ? handlers.onLock : handlers.onUnlock;
    if (handler) handler();
}

} // namespace lumio
