// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/ShortcutRecorder.h"

#include "Keyvane/app/L10n.h"

#include <QKeyEvent>
#include <array>

namespace keyvane {

namespace {

// The evdev code of a key Qt names, for key events that carry no key code of the X server (as
// those of tests on Qt's offscreen platform).
std::optional<std::uint16_t> evdevOf(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) {
        return static_cast<std::uint16_t>(KeyCode::f1 + (qtKey - Qt::Key_F1));
    }
    if (qtKey == Qt::Key_F11) {
        return KeyCode::f11;
    }
    if (qtKey == Qt::Key_F12) {
        return KeyCode::f12;
    }
    static constexpr std::array<std::uint16_t, 26> letters{30, 48, 46, 32, 18, 33, 34, 35, 23,
                                                           36, 37, 38, 50, 49, 24, 25, 16, 19,
                                                           31, 20, 22, 47, 17, 45, 21, 44};
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return letters[static_cast<std::size_t>(qtKey - Qt::Key_A)];
    }
    return std::nullopt;
}

} // namespace

ShortcutRecorder::ShortcutRecorder(std::optional<Shortcut> shortcut, QWidget* parent)
    : QPushButton(parent)
    , shortcut_(shortcut) {
    setMinimumWidth(200);
    connect(this, &QPushButton::clicked, this, [this] {
        recording_ = true;
        setText(QString::fromStdString(L10n::t("hotkeys.recorder.recording")));
        setFocus();
        grabKeyboard();
    });
    showShortcut();
}

void ShortcutRecorder::setShortcut(std::optional<Shortcut> shortcut) {
    shortcut_ = shortcut;
    showShortcut();
    emit shortcutChanged();
}

std::optional<Shortcut> ShortcutRecorder::fromKeyEvent(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock: return std::nullopt;
    default: break;
    }
    std::optional<std::uint16_t> key;
    if (event.nativeScanCode() >= 8) {
        key = static_cast<std::uint16_t>(event.nativeScanCode() - 8); // X key codes are evdev codes + 8
    } else {
        key = evdevOf(event.key());
    }
    if (!key) {
        return std::nullopt;
    }
    ModifierFlags modifiers = 0;
    const Qt::KeyboardModifiers held = event.modifiers();
    if (held & Qt::ControlModifier) {
        modifiers |= Modifier::control;
    }
    if (held & Qt::ShiftModifier) {
        modifiers |= Modifier::shift;
    }
    if (held & Qt::AltModifier) {
        modifiers |= Modifier::alt;
    }
    if (held & Qt::MetaModifier) {
        modifiers |= Modifier::super;
    }
    return Shortcut{*key, modifiers};
}

void ShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    if (!recording_) {
        QPushButton::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        stopRecording();
        return;
    }
    if (std::optional<Shortcut> recorded = fromKeyEvent(*event)) {
        stopRecording();
        setShortcut(recorded);
    }
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    if (recording_) {
        stopRecording();
    }
    QPushButton::focusOutEvent(event);
}

void ShortcutRecorder::stopRecording() {
    recording_ = false;
    releaseKeyboard();
    showShortcut();
}

void ShortcutRecorder::showShortcut() {
    setText(shortcut_ ? QString::fromStdString(shortcut_->toString())
                      : QString::fromStdString(L10n::t("hotkeys.recorder.placeholder")));
}

} // namespace keyvane
