#pragma once

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

namespace lumio {

// A D-Bus object with one interface of our own, answered by hand: every call
// gets a reply or an error, arguments are checked against the signature each
// method takes, and the read-only properties are served through
// org.freedesktop.DBus.Properties.
class DBusObject : public QDBusVirtualObject {
  public:
    // `introspection` is the <interface> element for `interface`.
    DBusObject(QString path, QString interface, QString introspection);

    const QString& path() const { return objectPath; }
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  protected:
    // Answers a call whose arguments have the signature asked for.
    using Method = std::function<QDBusMessage(const QDBusMessage& call)>;
    void addMethod(const QString& name, const QString& signature, Method method);
    virtual QVariantMap properties() const = 0;
    void emitSignal(const QString& name, const QVariantList& arguments) const;
    static QDBusMessage invalidArgs(const QDBusMessage& call, const QString& why);

  private:
    QDBusMessage answerProperties(const QDBusMessage& call) const;

    QString objectPath;
    QString interface;
    QString introspection;
    QHash<QString, std::pair<QString, Method>> methods;
};

} // namespace lumio
