// SPDX-License-Identifier: GPL-3.0-or-later
// keyvane-typist: types real keys into a Wayland session through one virtual keyboard
// (zwp_virtual_keyboard_v1) that carries the plain `us` XKB keymap, so that the compositor and an
// input method behind it see the evdev key codes a physical us keyboard would send. After a switch
// to another layout in the input method, "ghbdtn" then comes out as that layout's letters.
//
// Reads commands from standard input, one a line, and answers each line on standard output with
// `ok` once the compositor has every event of it (a round trip), or `error: <why>`:
//   type <text>      types the text: letters, digits, space and punctuation of the us layout, with
//                    Shift where the character needs it; everything after "type " counts, spaces
//                    at the end too
//   key <combo>      presses and releases one key, with modifiers held: `Return`, `Tab`,
//                    `BackSpace`, `ctrl+a`, `ctrl+shift+Left`, `alt+F4` (XKB key names)
//   gap <ms>         the pause after every key event from now on (20 ms at start)
//   stamp            answers `ok <µs>`: when the last key press went to the compositor
//                    (CLOCK_MONOTONIC, as g_get_monotonic_time), for latency measurements
// The one keyboard lives until standard input closes: sway 1.7 crashes when a virtual keyboard goes
// away while the input method holds the keyboard grab, so a test keeps this process for its whole
// run.
#define _GNU_SOURCE
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <errno.h>
#include <linux/input-event-codes.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

enum { KeyReleased = 0, KeyPressed = 1 };

struct Typist {
    struct wl_display* display;
    struct wl_seat* seat;
    struct zwp_virtual_keyboard_manager_v1* manager;
    struct zwp_virtual_keyboard_v1* keyboard;
    struct xkb_context* context;
    struct xkb_keymap* keymap;
    struct xkb_state* state;
    long gapMs;
    long long lastPressUs; // CLOCK_MONOTONIC
    // The modifiers last told to the compositor: the virtual keyboard does not derive them from
    // the keys, the client sends them.
    xkb_mod_mask_t depressed, latched, locked;
    xkb_layout_index_t group;
};

static void registryGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                           uint32_t version) {
    (void)version;
    struct Typist* typist = data;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !typist->seat) {
        typist->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        typist->manager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    }
}

static void registryGlobalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {registryGlobal, registryGlobalRemove};

static uint32_t nowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

static void waitMs(long ms) {
    if (ms <= 0) {
        return;
    }
    struct timespec interval = {ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&interval, &interval) != 0 && errno == EINTR) {
    }
}

static void fail(const char* what) {
    fprintf(stderr, "keyvane-typist: %s\n", what);
    exit(1);
}

// Sends one key event, then the modifiers when the key changed them, and waits the gap.
static void sendKey(struct Typist* typist, uint32_t evdevCode, int keyState) {
    zwp_virtual_keyboard_v1_key(typist->keyboard, nowMs(), evdevCode, keyState);
    xkb_state_update_key(typist->state, evdevCode + 8, keyState == KeyPressed ? XKB_KEY_DOWN : XKB_KEY_UP);
    xkb_mod_mask_t depressed = xkb_state_serialize_mods(typist->state, XKB_STATE_MODS_DEPRESSED);
    xkb_mod_mask_t latched = xkb_state_serialize_mods(typist->state, XKB_STATE_MODS_LATCHED);
    xkb_mod_mask_t locked = xkb_state_serialize_mods(typist->state, XKB_STATE_MODS_LOCKED);
    xkb_layout_index_t group = xkb_state_serialize_layout(typist->state, XKB_STATE_LAYOUT_EFFECTIVE);
    if (depressed != typist->depressed || latched != typist->latched || locked != typist->locked ||
        group != typist->group) {
        zwp_virtual_keyboard_v1_modifiers(typist->keyboard, depressed, latched, locked, group);
        typist->depressed = depressed;
        typist->latched = latched;
        typist->locked = locked;
        typist->group = group;
    }
    if (wl_display_flush(typist->display) < 0) {
        fail("lost the connection to the compositor");
    }
    if (keyState == KeyPressed) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        typist->lastPressUs = (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000;
    }
    waitMs(typist->gapMs);
}

// The key that gives the keysym on the first layout of the keymap, with no modifier or with Shift
// alone; a key needing anything else (the keypad's digits need NumLock) is not used.
static bool findKey(const struct Typist* typist, xkb_keysym_t wanted, uint32_t* evdevCode, bool* shift) {
    xkb_mod_mask_t shiftMask = 1u << xkb_keymap_mod_get_index(typist->keymap, XKB_MOD_NAME_SHIFT);
    bool found = false;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(typist->keymap);
         code <= xkb_keymap_max_keycode(typist->keymap); ++code) {
        xkb_level_index_t levels = xkb_keymap_num_levels_for_key(typist->keymap, code, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = NULL;
            int count = xkb_keymap_key_get_syms_by_level(typist->keymap, code, 0, level, &syms);
            if (count != 1 || syms[0] != wanted) {
                continue;
            }
            xkb_mod_mask_t masks[8];
            size_t maskCount = xkb_keymap_key_get_mods_for_level(typist->keymap, code, 0, level, masks, 8);
            for (size_t i = 0; i < maskCount; ++i) {
                if (masks[i] == 0) {
                    *evdevCode = code - 8;
                    *shift = false;
                    return true;
                }
                if (masks[i] == shiftMask && !found) {
                    *evdevCode = code - 8;
                    *shift = true;
                    found = true;
                }
            }
        }
    }
    return found;
}

static void pressWithModifiers(struct Typist* typist, const uint32_t* modifiers, size_t modifierCount,
                               uint32_t evdevCode) {
    for (size_t i = 0; i < modifierCount; ++i) {
        sendKey(typist, modifiers[i], KeyPressed);
    }
    sendKey(typist, evdevCode, KeyPressed);
    sendKey(typist, evdevCode, KeyReleased);
    for (size_t i = modifierCount; i > 0; --i) {
        sendKey(typist, modifiers[i - 1], KeyReleased);
    }
}

static const char* typeText(struct Typist* typist, const char* text) {
    // First every character is looked up, so that a text with one character the keymap lacks types
    // nothing at all.
    size_t length = strlen(text);
    for (size_t i = 0; i < length; ++i) {
        uint32_t code;
        bool shift;
        unsigned char c = (unsigned char)text[i];
        if (c < 0x20 || c > 0x7e || !findKey(typist, xkb_utf32_to_keysym(c), &code, &shift)) {
            return "no key of the us layout types that character";
        }
    }
    for (size_t i = 0; i < length; ++i) {
        uint32_t code;
        bool shift;
        findKey(typist, xkb_utf32_to_keysym((unsigned char)text[i]), &code, &shift);
        const uint32_t shiftKey = KEY_LEFTSHIFT;
        pressWithModifiers(typist, &shiftKey, shift ? 1 : 0, code);
    }
    return NULL;
}

static bool modifierKey(const char* name, uint32_t* evdevCode) {
    static const struct {
        const char* name;
        uint32_t code;
    } modifiers[] = {{"ctrl", KEY_LEFTCTRL}, {"control", KEY_LEFTCTRL}, {"shift", KEY_LEFTSHIFT},
                     {"alt", KEY_LEFTALT},   {"super", KEY_LEFTMETA},   {"logo", KEY_LEFTMETA}};
    for (size_t i = 0; i < sizeof modifiers / sizeof modifiers[0]; ++i) {
        if (strcasecmp(name, modifiers[i].name) == 0) {
            *evdevCode = modifiers[i].code;
            return true;
        }
    }
    return false;
}

static const char* pressCombo(struct Typist* typist, char* combo) {
    uint32_t modifiers[8];
    size_t modifierCount = 0;
    char* part = combo;
    char* plus;
    // The last part is the key; "ctrl+plus" names the plus key by its keysym name.
    while ((plus = strchr(part, '+')) != NULL && plus[1] != '\0') {
        *plus = '\0';
        if (modifierCount == sizeof modifiers / sizeof modifiers[0] ||
            !modifierKey(part, &modifiers[modifierCount])) {
            return "unknown modifier";
        }
        ++modifierCount;
        part = plus + 1;
    }
    xkb_keysym_t keysym = xkb_keysym_from_name(part, XKB_KEYSYM_NO_FLAGS);
    if (keysym == XKB_KEY_NoSymbol) {
        keysym = xkb_keysym_from_name(part, XKB_KEYSYM_CASE_INSENSITIVE);
    }
    uint32_t code;
    bool shift;
    if (keysym == XKB_KEY_NoSymbol || !findKey(typist, keysym, &code, &shift)) {
        return "no key of the us layout gives that key name";
    }
    if (shift && modifierCount < sizeof modifiers / sizeof modifiers[0]) {
        modifiers[modifierCount++] = KEY_LEFTSHIFT;
    }
    pressWithModifiers(typist, modifiers, modifierCount, code);
    return NULL;
}

static const char* runCommand(struct Typist* typist, char* line) {
    if (strncmp(line, "type ", 5) == 0) {
        return typeText(typist, line + 5);
    }
    if (strncmp(line, "key ", 4) == 0) {
        return pressCombo(typist, line + 4);
    }
    if (strncmp(line, "gap ", 4) == 0) {
        char* end;
        errno = 0;
        long ms = strtol(line + 4, &end, 10);
        if (errno != 0 || end == line + 4 || *end != '\0' || ms < 0 || ms > 60000) {
            return "the gap is a number of milliseconds";
        }
        typist->gapMs = ms;
        return NULL;
    }
    return "unknown command (type, key, gap)";
}

static void uploadKeymap(struct Typist* typist) {
    typist->context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!typist->context) {
        fail("no XKB context");
    }
    const struct xkb_rule_names names = {.rules = "evdev", .model = "pc105", .layout = "us"};
    typist->keymap = xkb_keymap_new_from_names(typist->context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!typist->keymap) {
        fail("cannot compile the us keymap (is xkb-data installed?)");
    }
    typist->state = xkb_state_new(typist->keymap);
    char* text = xkb_keymap_get_as_string(typist->keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    // The size sent counts the terminating zero, as for wl_keyboard.keymap.
    size_t size = strlen(text) + 1;
    int fd = memfd_create("keyvane-typist-keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size) {
        fail("cannot write the keymap to a memory file");
    }
    free(text);
    zwp_virtual_keyboard_v1_keymap(typist->keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    close(fd);
}

int main(void) {
    struct Typist typist = {.gapMs = 20};
    typist.display = wl_display_connect(NULL);
    if (!typist.display) {
        fail("cannot connect to the Wayland display (WAYLAND_DISPLAY)");
    }
    struct wl_registry* registry = wl_display_get_registry(typist.display);
    wl_registry_add_listener(registry, &registryListener, &typist);
    wl_display_roundtrip(typist.display);
    if (!typist.seat) {
        fail("the compositor has no seat");
    }
    if (!typist.manager) {
        fail("the compositor offers no zwp_virtual_keyboard_manager_v1");
    }
    typist.keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(typist.manager, typist.seat);
    uploadKeymap(&typist);
    if (wl_display_roundtrip(typist.display) < 0) {
        fail("the compositor refused the virtual keyboard");
    }

    char* line = NULL;
    size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&line, &capacity, stdin)) >= 0) {
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
            line[--length] = '\0';
        }
        const char* error = strcmp(line, "stamp") == 0 ? NULL : runCommand(&typist, line);
        if (wl_display_roundtrip(typist.display) < 0) {
            fail("lost the connection to the compositor");
        }
        if (error) {
            printf("error: %s\n", error);
        } else if (strcmp(line, "stamp") == 0) {
            printf("ok %lld\n", typist.lastPressUs);
        } else {
            printf("ok\n");
        }
        fflush(stdout);
    }
    free(line);
    wl_display_disconnect(typist.display);
    return 0;
}
