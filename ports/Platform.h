#pragma once

#include "ports/Alerts.h"
#include "ports/Clock.h"
#include "ports/Desktop.h"
#include "ports/IdleSource.h"
#include "ports/LoginItem.h"
#include "ports/MainLoop.h"
#include "ports/OverlayPorts.h"
#include "ports/SettingsStore.h"
#include "ports/Sound.h"
#include "ports/StatusMenu.h"
#include "ports/SystemEvents.h"

namespace lumio {

// Everything the core needs from the desktop, owned by whoever runs it.
struct Platform {
    Clock& clock;
    MainLoop& loop;
    SettingsStore& settings;
    IdleSource& idle;
    SystemEvents& systemEvents;
    StatusBar& statusBar;
    OverlayToolkit& overlay;
    Audio& audio;
    LoginItem& loginItem;
    Alerts& alerts;
    LocaleFormat& locale;
    RandomSource& random;
    Application& application;
};

} // namespace lumio
