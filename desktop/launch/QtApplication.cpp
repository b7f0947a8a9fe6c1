#include "desktop/launch/QtApplication.h"

#include <QCoreApplication>

namespace lumio {

// The program has no window of its own to bring forward, and taking the focus
// from whatever the user is doing is never ours to do: a dialog they must see
// raises itself when it opens.
void QtApplication::activate() {}

void QtApplication::terminate() {
    QCoreApplication::quit();
}

} // namespace lumio
