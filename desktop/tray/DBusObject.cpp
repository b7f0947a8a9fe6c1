#include "desktop/tray/DBusObject.h"

#include <QDBusConnection>
#include <QDBusVariant>

#include <utility>

namespace lumio {

namespace {
const QString PROPERTIES = QStringLiteral("org.freedesktop.DBus.Properties");
const QString INTROSPECTABLE = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString PROPERTIES_INTROSPECTION =
    QStringLiteral(R"xml(<interface name="org.freedesktop.DBus.Properties">
  <method name="Get">
    <arg type="s" direction="in"/>
    <arg type="s" direction="in"/>
    <arg type="v" direction="out"/>
  </method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  <signal name="PropertiesChanged"><arg type="s"/><arg type="a{sv}"/><arg type="as"/></signal>
</interface>
<interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
</interface>
)xml");
} // namespace

DBusObject::DBusObject(QString path, QString interface, QString introspection)
    : objectPath(std::move(path)), interface(std::move(interface)),
      introspection(std::move(introspection)) {}

QString DBusObject::introspect(const QString&) const {
    return introspection + PROPERTIES_INTROSPECTION;
}

void DBusObject::addMethod(const QString& name, const QString& signature, Method method) {
    methods.insert(name, {signature, std::move(method)});
}

bool DBusObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    QDBusMessage reply;
    const auto found = methods.constFind(message.member());
    if (message.interface() == PROPERTIES) {
        reply = answerProperties(message);
    } else if (message.interface() == INTROSPECTABLE) {
        reply = message.createReply(QStringLiteral("<node>") + introspect(objectPath) +
                                    QStringLiteral("</node>"));
    } else if ((!message.interface().isEmpty() && message.interface() != interface) ||
               found == methods.cend()) {
        reply = message.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("No method %1.%2").arg(message.interface(), message.member()));
    } else if (message.signature() != found->first) {
        reply = invalidArgs(message, QStringLiteral("%1 takes (%2), not (%3)")
                                         .arg(message.member(), found->first, message.signature()));
    } else {
        reply = found->second(message);
    }
    if (!message.isReplyRequired()) return true;
    return connection.send(reply);
}

QDBusMessage DBusObject::answerProperties(const QDBusMessage& call) const {
    const auto arguments = call.arguments();
    const QString asked = arguments.value(0).toString();
    if (asked != interface) {
        return call.createErrorReply(QDBusError::UnknownInterface,
                                     QStringLiteral("No properties of %1").arg(asked));
    }
    const QVariantMap all = properties();
    if (call.member() == QLatin1String("GetAll") && call.signature() == QLatin1String("s"))
        return call.createReply(all);
    if (call.member() == QLatin1String("Get") && call.signature() == QLatin1String("ss")) {
        const auto value = all.constFind(arguments.value(1).toString());
        if (value == all.cend()) {
            return call.createErrorReply(
                QDBusError::UnknownProperty,
                QStringLiteral("No property %1").arg(arguments.value(1).toString()));
        }
        return call.createReply(QVariant::fromValue(QDBusVariant(*value)));
    }
    if (call.member() == QLatin1String("Set"))
        return call.createErrorReply(QDBusError::PropertyReadOnly, QStringLiteral("Read-only"));
    return call.createErrorReply(QDBusError::UnknownMethod, call.member());
}

void DBusObject::emitSignal(const QString& name, const QVariantList& arguments) const {
    auto signal = QDBusMessage::createSignal(objectPath, interface, name);
    signal.setArguments(arguments);
    QDBusConnection::sessionBus().send(signal);
}

QDBusMessage DBusObject::invalidArgs(const QDBusMessage& call, const QString& why) {
    return call.createErrorReply(QDBusError::InvalidArgs, why);
}

} // namespace lumio
