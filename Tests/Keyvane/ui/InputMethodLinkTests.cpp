// SPDX-License-Identifier: GPL-3.0-or-later
// The tray while Keyvane inside the input-method framework corrects the keys: it shows that host's
// language and pause, and pausing from the tray pauses the host.

#include "../LiveDesktop.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/services/UpdateChecker.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/InputMethodLink.h"
#include "Keyvane/ui/StatusBarController.h"
#include "KeyvaneCore/AppPaths.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::LiveDesktop;

namespace {

// A host in a process of its own, as fcitx5 is: it announces itself, then announces again each
// status written to its pipe, and withdraws when the pipe closes.
class FakeHost {
public:
    explicit FakeHost(const std::string& marker, const InputMethodHostStatus& first) {
        int ends[2];
        if (::pipe(ends) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ends[1]);
            InputMethodPresence::announce(marker, first);
            char line[16];
            ssize_t size = 0;
            while ((size = ::read(ends[0], line, sizeof line)) > 0) {
                // "<language> <0|1>"
                InputMethodHostStatus status;
                status.layoutLanguage = std::string(line, 2);
                status.paused = line[3] == '1';
                InputMethodPresence::announce(marker, status);
            }
            InputMethodPresence::withdraw(marker);
            ::_exit(0);
        }
        ::close(ends[0]);
        pipe_ = ends[1];
    }
    ~FakeHost() { stop(); }
    void say(const std::string& line) {
        EXPECT_EQ(::write(pipe_, line.data(), line.size()), ssize_t(line.size()));
    }
    void stop() {
        if (pipe_ >= 0) {
            ::close(pipe_);
            pipe_ = -1;
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
    int pipe_ = -1;
};

struct Tray : LiveDesktop {
    HotkeyManager hotkeys{platform};
    UpdateChecker updates{UpdateChecker::Config{}};
    StatusBarController bar{*app, platform, hotkeys, updates};
    Tray() { L10n::setLanguage("en"); }
    QAction* item(const char* key) {
        const QString title = QString::fromStdString(L10n::t(key));
        for (QAction* action : bar.trayIcon().contextMenu()->actions()) {
            if (action->text().startsWith(title)) {
                return action;
            }
        }
        return nullptr;
    }
};

} // namespace

TEST(TrayWithInputMethodHost, ShowsTheHostsLanguageAndPauseAndPausesTheHostWhileItRuns) {
    Tray tray;
    const std::string marker = AppPaths::inputMethodHostMarkerPath();
    std::vector<std::string> asked;
    FakeHost* running = nullptr;
    InputMethodLink link(marker, [&](const InstanceCommand& command) -> std::optional<std::string> {
        asked.push_back(command.line());
        if (running != nullptr) {
            running->say(command.kind == InstanceCommand::Kind::resume ? "ru 0" : "ru 1");
        }
        return "ok";
    });
    tray.bar.setInputMethodLink(&link);
    EXPECT_EQ(tray.bar.shown().badge, "EN") << "no host: the desktop's layout";

    FakeHost host(marker, {"ru", false});
    running = &host;
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray.bar.shown().badge == "RU"; }, 5000))
        << "the badge shows the layout the host types with, not the X display's";
    EXPECT_FALSE(tray.bar.shown().dimmed);

    tray.item("menu.pause_15")->trigger();
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_FALSE(tray.app->isPaused()) << "the host, which corrects the keys, is paused, not this copy";
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray.bar.shown().resume.visible; }, 5000));
    EXPECT_TRUE(tray.bar.shown().dimmed);

    host.say("uk 1"); // the user switched layout in fcitx5
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray.bar.shown().badge == "UA"; }, 5000));

    host.stop(); // fcitx5 ends: the desktop's own state again
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray.bar.shown().badge == "EN"; }, 5000));
    EXPECT_FALSE(tray.bar.shown().resume.visible);
    running = nullptr;
    tray.item("menu.pause_15")->trigger();
    EXPECT_EQ(asked.size(), 1U) << "no host to ask";
    EXPECT_TRUE(tray.app->isPaused()) << "without a host, this copy pauses";

    const pid_t killed = ::fork();
    if (killed == 0) {
        InputMethodPresence::announce(marker, {"ru", true});
        ::_exit(0); // killed, as it were: the marker stays
    }
    ::waitpid(killed, nullptr, 0);
    EXPECT_FALSE(InputMethodPresence::status(marker).has_value()) << "a host that died is no host";
    EXPECT_FALSE(InputMethodPresence::active(marker));
}
