#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <string>
#include <vector>

namespace lumio {

// The application id: the session bus name, the desktop entry's and the
// metainfo's name.
inline constexpr const char* APP_ID = "io.github.lumio.Lumio";
inline constexpr const char* APP_OBJECT_PATH = "/io/github/lumio/Lumio";

// org.freedesktop.Application on the session bus, as launchers and docks
// speak it: Activate pops the menu up, ActivateAction runs one of Lumio's
// actions by name. Calls arrive on the main thread; an unknown action, a
// parameter or an Open gets a D-Bus error and changes nothing.
class ApplicationService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

  public:
    ApplicationService(std::function<bool(const std::string&)> onAction,
                       std::function<void()> onActivate);

    // Exports the object and takes the bus name. False, with one line on
    // stderr, when there is no session bus or the name is someone else's.
    bool publish();

  public Q_SLOTS:
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);
    Q_SCRIPTABLE void Open(const QStringList& uris, const QVariantMap& platformData);
    Q_SCRIPTABLE void ActivateAction(const QString& name, const QVariantList& parameter,
                                     const QVariantMap& platformData);

  private:
    std::function<bool(const std::string&)> onAction;
    std::function<void()> onActivate;
};

// For a launch that found Lumio already running: hands its request (the
// action its options ask for, else Activate) to the running copy, waiting up
// to `patience` seconds for that copy to appear on the bus. False, with one
// line on stderr, when it could not be delivered.
bool forwardToRunningCopy(const std::vector<std::string>& arguments, double patience = 5.0);

} // namespace lumio
