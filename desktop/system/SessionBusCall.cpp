#include "desktop/system/SessionBusCall.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace lumio {

namespace {
constexpr int CALL_TIMEOUT_MS = 200;
} // namespace

std::optional<std::uint64_t> callForNumber(const QString& service, const QString& path,
                                           const QString& interface, const QString& method,
                                           const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    call.setAutoStartService(false);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(call, QDBus::Block, CALL_TIMEOUT_MS);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    const QVariant value = reply.arguments().constFirst();
    switch (value.metaType().id()) {
    case QMetaType::UInt:
        return value.toUInt();
    case QMetaType::ULongLong:
        return value.toULongLong();
    default:
        return std::nullopt;
    }
}

} // namespace lumio
