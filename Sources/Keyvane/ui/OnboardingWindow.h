// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/correction/CorrectionReadiness.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QBoxLayout;
class QLabel;
class QPushButton;

namespace keyvane {

// Why Keyvane can or cannot watch keys on this desktop, as the onboarding window explains it.
enum class KeyAccess {
    granted,           // an X display with XInput 2.2 and XTEST
    missingExtensions, // an X display without one of them
};

// The window of the first start, and of any start where Keyvane cannot watch keys: what it needs,
// what is wrong, and a way on. While keys cannot be watched it looks again every second (and on
// "Check Again"); Continue (or Return) is possible only once they can. The interface language can
// be chosen here and the whole window follows.
class OnboardingWindow : public QWidget {
    Q_OBJECT

public:
    // `check` tells whether keys can be watched now; `onComplete` runs once, on Continue.
    // `wayland`, where given, tells whether programs on Wayland are reached: in a Wayland session a
    // second card says so, or gives the steps that make it so, and is looked at again until then.
    using WaylandCheck = std::function<CorrectionReadiness::WaylandReach()>;
    OnboardingWindow(std::function<KeyAccess()> check, std::function<void()> onComplete,
                     WaylandCheck wayland = nullptr, QWidget* parent = nullptr);

    // Where given, the Wayland card offers to add Keyvane's IBus engine to GNOME's input sources
    // while it is installed but not chosen, and calls this when the user asks: nothing on
    // success, else the reason.
    using SourceAdder = std::function<std::optional<std::string>()>;
    void offerToAddInputSource(SourceAdder add) { addSource_ = std::move(add); }

    // Where given, the card offers Super+Space as the key that switches the engine's layouts while
    // the engine corrects and `needed` says no switch key of the user's reaches it; `give` is called
    // when the user asks: nothing on success, else the reason.
    void offerSwitchKey(std::function<bool()> needed, SourceAdder give) {
        switchKeyNeeded_ = std::move(needed);
        giveSwitchKey_ = std::move(give);
    }

    // Looks again and shows the state.
    void refresh();
    bool canContinue() const { return access_ == KeyAccess::granted; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void finish();
    // A button that makes a change of the user's desktop only when clicked; what the change said
    // (nothing on success, else the reason) goes to `result`, and the window is shown anew.
    QPushButton* consentButton(QBoxLayout& layout, const char* textKey, const char* name,
                               const SourceAdder& change, std::optional<std::string>& result);

    std::function<KeyAccess()> check_;
    std::function<void()> onComplete_;
    WaylandCheck wayland_;
    KeyAccess access_ = KeyAccess::missingExtensions;
    QTimer poll_;
    QLabel* title_ = nullptr;
    QLabel* cardText_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* state_ = nullptr;
    QPushButton* checkAgain_ = nullptr;
    QPushButton* continue_ = nullptr;
    QWidget* waylandCard_ = nullptr;
    QLabel* waylandText_ = nullptr;
    QPushButton* addSourceButton_ = nullptr;
    SourceAdder addSource_;
    std::optional<std::string> addResult_; // what adding the input source said, once asked
    QPushButton* switchKeyButton_ = nullptr;
    std::function<bool()> switchKeyNeeded_;
    SourceAdder giveSwitchKey_;
    std::optional<std::string> switchKeyResult_;
};

namespace Onboarding {

// Whether the window is shown at this start: always while keys cannot be watched; otherwise only
// at the first start (the welcome, recorded in the program's settings so it is shown once).
bool shouldShow(KeyAccess access, const std::string& settingsPath);
void rememberWelcomed(const std::string& settingsPath);

} // namespace Onboarding
} // namespace keyvane
