#pragma once
#include "ports/AudioOutput.h"
#include "ports/AutostartEntry.h"
#include "ports/Clock.h"
#include "ports/Dialogs.h"
#include "ports/IdleMonitor.h"
#include "ports/InstalledProgram.h"
#include "ports/LocaleFormat.h"
#include "ports/MainLoop.h"
#include "ports/OverlayToolkit.h"
#include "ports/RandomSource.h"
#include "ports/SessionEvents.h"
#include "ports/SettingsStore.h"
#include "ports/TrayIcon.h"

namespace lumio {

// Everything the core needs from the desktop, owned by whoever runs it and
// alive for as long as the App.
struct Platform {
    Clock& clock;
    MainLoop& loop;
    SettingsStore& settings;
    IdleMonitor& idle;
    SessionEvents& session;
    TrayIcon& tray;
    OverlayToolkit& overlay;
    AudioOutput& audio;
    AutostartEntry& autostart;
    Dialogs& dialogs;
    LocaleFormat& locale;
    RandomSource& random;
    InstalledProgram& program;
};

} // namespace lumio
