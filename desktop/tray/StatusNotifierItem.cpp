#include "desktop/tray/StatusNotifierItem.h"

#include "files/Diagnostics.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QImage>
#include <QtEndian>

#include <array>
#include <unistd.h>
#include <utility>

namespace lumio {

namespace {

const QString WATCHER = QStringLiteral("org.kde.StatusNotifierWatcher");

const QString INTROSPECTION = QStringLiteral(R"xml(<interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <method name="Activate">
    <arg name="x" type="i" direction="in"/>
    <arg name="y" type="i" direction="in"/>
  </method>
  <method name="SecondaryActivate">
    <arg name="x" type="i" direction="in"/>
    <arg name="y" type="i" direction="in"/>
  </method>
  <method name="ContextMenu">
    <arg name="x" type="i" direction="in"/>
    <arg name="y" type="i" direction="in"/>
  </method>
  <method name="Scroll">
    <arg name="delta" type="i" direction="in"/>
    <arg name="orientation" type="s" direction="in"/>
  </method>
  <signal name="NewIcon"/>
  <signal name="NewToolTip"/>
  <signal name="NewStatus"><arg name="status" type="s"/></signal>
</interface>
)xml");

// Hosts pick the size nearest their panel's; these cover the usual panels.
constexpr std::array<int, 5> PIXMAP_SIZES{16, 22, 24, 32, 48};

DBusIconPixmap argbPixmap(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    DBusIconPixmap pixmap{.width = argb.width(), .height = argb.height(), .argb = {}};
    pixmap.argb.resize(static_cast<qsizetype>(argb.width()) * argb.height() * 4);
    auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            *out++ = qToBigEndian(line[x]);
    }
    return pixmap;
}

} // namespace

StatusNotifierItem::StatusNotifierItem(QString menuPath, OnClick clicked)
    : DBusObject(QStringLiteral("/StatusNotifierItem"),
                 QStringLiteral("org.kde.StatusNotifierItem"), INTROSPECTION),
      serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(getpid())),
      menuPath(std::move(menuPath)), onClick(std::move(clicked)),
      watcherStarts(WATCHER, QDBusConnection::sessionBus(),
                    QDBusServiceWatcher::WatchForRegistration) {
    // Hosts that cannot draw the menu ask for it with a click: Activate for the
    // left button, ContextMenu for the right; both open it where they say.
    const auto click = [this](const QDBusMessage& call) {
        const QPoint at(call.arguments()[0].toInt(), call.arguments()[1].toInt());
        // (0, 0) is what hosts pass when they do not know where the click was.
        onClick(call.service(), at.isNull() ? std::nullopt : std::optional(at));
        return call.createReply();
    };
    addMethod(QStringLiteral("Activate"), QStringLiteral("ii"), click);
    addMethod(QStringLiteral("ContextMenu"), QStringLiteral("ii"), click);
    const auto nothing = [](const QDBusMessage& call) { return call.createReply(); };
    addMethod(QStringLiteral("SecondaryActivate"), QStringLiteral("ii"), nothing);
    addMethod(QStringLiteral("Scroll"), QStringLiteral("is"), nothing);
    connect(&watcherStarts, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { registerWithWatcher(); });
}

bool StatusNotifierItem::publish() {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(path(), this) || !bus.registerService(serviceName)) {
        diagnose("cannot put the tray icon on the session bus: " +
                 bus.lastError().message().toStdString());
        return false;
    }
    registerWithWatcher();
    return true;
}

void StatusNotifierItem::registerWithWatcher() const {
    auto call =
        QDBusMessage::createMethodCall(WATCHER, QStringLiteral("/StatusNotifierWatcher"), WATCHER,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName;
    QDBusConnection::sessionBus().send(call);
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    pixmaps.clear();
    for (const int size : PIXMAP_SIZES) {
        const QPixmap drawn = icon.pixmap(QSize(size, size));
        if (!drawn.isNull()) pixmaps.append(argbPixmap(drawn.toImage()));
    }
    emitSignal(QStringLiteral("NewIcon"), {});
}

void StatusNotifierItem::setToolTip(const QString& text) {
    toolTip = text;
    emitSignal(QStringLiteral("NewToolTip"), {});
}

QVariantMap StatusNotifierItem::properties() const {
    return {
        {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
        {QStringLiteral("Id"), QStringLiteral("lumio")},
        {QStringLiteral("Title"), QStringLiteral("Lumio")},
        {QStringLiteral("Status"), QStringLiteral("Active")},
        {QStringLiteral("IconName"), QString()},
        {QStringLiteral("IconPixmap"), QVariant::fromValue(pixmaps)},
        {QStringLiteral("AttentionIconName"), QString()},
        {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(QList<DBusIconPixmap>())},
        {QStringLiteral("ToolTip"), QVariant::fromValue(DBusToolTip{
                                        .iconName = {}, .icon = {}, .title = toolTip, .text = {}})},
        // A click opens the menu: hosts that draw it do so themselves.
        {QStringLiteral("ItemIsMenu"), true},
        {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(menuPath))},
    };
}

} // namespace lumio
