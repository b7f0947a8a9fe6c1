#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace lumio {

// The structured values the tray sends over D-Bus, which QtDBus marshals only
// once told their shapes (registerTrayDBusTypes()).

// A menu item and, to the depth asked for, its children: (ia{sv}av).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// An item's properties, all or those that changed: (ia{sv}).
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};

// The names of properties an item no longer has: (ias).
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};

// One size of an icon, ARGB32 pixels in network byte order: (iiay).
struct DBusIconPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};

// A status item's tool tip: (sa(iiay)ss).
struct DBusToolTip {
    QString iconName;
    QList<DBusIconPixmap> icon;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& out, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& out, const DBusIconPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusIconPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& out, const DBusToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& in, DBusToolTip& tip);

// Registers the types above with QtDBus; call before sending any of them.
void registerTrayDBusTypes();

} // namespace lumio

Q_DECLARE_METATYPE(lumio::DBusMenuLayout)
Q_DECLARE_METATYPE(lumio::DBusMenuItem)
Q_DECLARE_METATYPE(lumio::DBusMenuItemKeys)
Q_DECLARE_METATYPE(lumio::DBusIconPixmap)
Q_DECLARE_METATYPE(lumio::DBusToolTip)
