// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/shortcuts/Shortcut.h"

#include <QPushButton>
#include <optional>

class QKeyEvent;

namespace keyvane {

// A button that shows a shortcut and, once clicked, takes the next key pressed with its modifiers
// as the new one (Escape gives up; a modifier alone is not a shortcut).
class ShortcutRecorder : public QPushButton {
    Q_OBJECT

public:
    explicit ShortcutRecorder(std::optional<Shortcut> shortcut, QWidget* parent = nullptr);

    const std::optional<Shortcut>& shortcut() const { return shortcut_; }
    void setShortcut(std::optional<Shortcut> shortcut);
    bool isRecording() const { return recording_; }

    // The shortcut a key press makes; nothing for a modifier alone.
    static std::optional<Shortcut> fromKeyEvent(const QKeyEvent& event);

signals:
    void shortcutChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void stopRecording();
    void showShortcut();

    std::optional<Shortcut> shortcut_;
    bool recording_ = false;
};

} // namespace keyvane
