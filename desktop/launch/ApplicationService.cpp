#include "desktop/launch/ApplicationService.h"

#include "desktop/launch/CommandLine.h"
#include "files/Diagnostics.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

namespace lumio {

namespace {

constexpr const char* INTERFACE = "org.freedesktop.Application";
constexpr int CALL_TIMEOUT_MS = 5000;

} // namespace

ApplicationService::ApplicationService(std::function<bool(const std::string&)> onAction,
                                       std::function<void()> onActivate)
    : onAction(std::move(onAction)), onActivate(std::move(onActivate)) {}

bool ApplicationService::publish() {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        diagnose("no session bus; launchers cannot reach Lumio");
        return false;
    }
    bus.registerObject(QString::fromLatin1(APP_OBJECT_PATH), this,
                       QDBusConnection::ExportScriptableSlots);
    const auto reply = bus.interface()->registerService(
        QString::fromLatin1(APP_ID), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        diagnose(std::string("the bus name ") + APP_ID + " is taken; launchers cannot reach Lumio");
        return false;
    }
    return true;
}

void ApplicationService::Activate(const QVariantMap& /*platformData*/) {
    onActivate();
}

void ApplicationService::Open(const QStringList& /*uris*/, const QVariantMap& /*platformData*/) {
    sendErrorReply(QDBusError::NotSupported, QStringLiteral("Lumio opens no files"));
}

void ApplicationService::ActivateAction(const QString& name, const QVariantList& parameter,
                                        const QVariantMap& /*platformData*/) {
    if (!parameter.isEmpty()) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("Lumio's actions take no parameter"));
        return;
    }
    if (!onAction(name.toStdString())) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No such action: ") + name);
    }
}

bool forwardToRunningCopy(const std::vector<std::string>& arguments, double patience) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        diagnose("Lumio is already running, and there is no session bus to reach it");
        return false;
    }
    // The running copy may still be starting; it is never started from here
    // (that would be a third copy), only waited for.
    const auto name = QString::fromLatin1(APP_ID);
    QDeadlineTimer deadline(static_cast<qint64>(patience * 1000));
    while (!bus.interface()->isServiceRegistered(name).value()) {
        if (deadline.hasExpired()) {
            diagnose("Lumio is already running but does not answer on the bus");
            return false;
        }
        QThread::msleep(50);
    }
    const auto action = requestedAction(arguments);
    auto call = QDBusMessage::createMethodCall(
        name, QString::fromLatin1(APP_OBJECT_PATH), QString::fromLatin1(INTERFACE),
        action.empty() ? QStringLiteral("Activate") : QStringLiteral("ActivateAction"));
    if (action.empty()) {
        call << QVariantMap{};
    } else {
        call << QString::fromStdString(action) << QVariantList{} << QVariantMap{};
    }
    call.setAutoStartService(false);
    const auto reply = bus.call(call, QDBus::Block, CALL_TIMEOUT_MS);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        diagnose("the running Lumio did not take the request: " +
                 reply.errorMessage().toStdString());
        return false;
    }
    return true;
}

} // namespace lumio
