/* A pointer for the end-to-end tests on Wayland compositors whose headless seat
 * has none: a virtual pointer on wlroots (sway), fake input on KWin. It stays
 * connected for the whole session, so clients keep the pointer they bound, and
 * reads one command a line on stdin, answering "ok" once the compositor has
 * taken it:
 *   move X Y W H     to (X, Y) of the W x H layout (KWin takes X, Y as they are)
 *   press BUTTON     a Linux button code, 272 the left button
 *   release BUTTON
 *   key KEY          press and release a Linux key code (KWin only)
 */
#define _POSIX_C_SOURCE 200809L

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <wayland-client.h>

#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

struct Globals {
    struct wl_seat* seat;
    struct zwlr_virtual_pointer_manager_v1* wlrManager;
    struct org_kde_kwin_fake_input* kwin;
};

static void onGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    struct Globals* globals = data;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat) {
        globals->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        globals->wlrManager =
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    } else if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
        /* Absolute motion came in version 3, keys in 4. */
        globals->kwin = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
    }
}

static void onGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener REGISTRY_LISTENER = {onGlobal, onGlobalRemove};

static uint32_t nowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "lumio_test_pointer: no Wayland display\n");
        return 1;
    }
    struct Globals globals = {0};
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, &globals);
    wl_display_roundtrip(display);

    struct zwlr_virtual_pointer_v1* wlr = NULL;
    if (globals.wlrManager) {
        wlr = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.wlrManager,
                                                                     globals.seat);
    } else if (globals.kwin) {
        org_kde_kwin_fake_input_authenticate(globals.kwin, "lumio tests", "pointer input");
    } else {
        fprintf(stderr, "lumio_test_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    wl_display_roundtrip(display);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x = 0;
        unsigned y = 0;
        unsigned width = 0;
        unsigned height = 0;
        unsigned button = 0;
        unsigned key = 0;
        if (sscanf(line, "move %u %u %u %u", &x, &y, &width, &height) == 4) {
            if (wlr) {
                zwlr_virtual_pointer_v1_motion_absolute(wlr, nowMs(), x, y, width, height);
            } else {
                org_kde_kwin_fake_input_pointer_motion_absolute(
                    globals.kwin, wl_fixed_from_int((int)x), wl_fixed_from_int((int)y));
            }
        } else if (sscanf(line, "press %u", &button) == 1 ||
                   sscanf(line, "release %u", &button) == 1) {
            const uint32_t state =
                line[0] == 'p' ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED;
            if (wlr) {
                zwlr_virtual_pointer_v1_button(wlr, nowMs(), button, state);
            } else {
                org_kde_kwin_fake_input_button(globals.kwin, button, state);
            }
        } else if (sscanf(line, "key %u", &key) == 1 && !wlr) {
            org_kde_kwin_fake_input_keyboard_key(globals.kwin, key, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(globals.kwin, key, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            fprintf(stderr, "lumio_test_pointer: unknown command: %s", line);
            return 2;
        }
        if (wlr) {
            zwlr_virtual_pointer_v1_frame(wlr);
        }
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "lumio_test_pointer: the compositor went away\n");
            return 1;
        }
        printf("ok\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
