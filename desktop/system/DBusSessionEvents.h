#pragma once

#include "ports/SessionEvents.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace lumio {

// Wake from logind's PrepareForSleep on the system bus; lock and unlock from
// the LockedHint of the user's logind session and from the ActiveChanged of
// the desktops' screen savers on the session bus. A missing bus or service
// just leaves that source out. Handlers run on the thread this object lives
// in, so it belongs to the main thread.
class DBusSessionEvents final : public QObject, public SessionEvents {
    Q_OBJECT

  public:
    explicit DBusSessionEvents(QObject* parent = nullptr);

    void watch(SessionEventHandlers handlers) override;

  private Q_SLOTS:
    void prepareForSleep(bool sleeping);
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);
    void screenSaverActiveChanged(bool active);

  private:
    void subscribe();
    void lockedChanged(bool locked) const;

    SessionEventHandlers handlers;
    bool subscribed = false;
};

} // namespace lumio
