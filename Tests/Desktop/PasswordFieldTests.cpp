// SPDX-License-Identifier: GPL-3.0-or-later
// Password fields of a Qt, a GTK and a Chromium program, typed into the instant they take the
// focus, in every order of start: the field before the live program, right after it, long after.
// Nothing typed there may change; the ordinary field beside it is still corrected.

#include "DesktopHarness.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <tuple>

using namespace keyvane;
using namespace keyvane::desktop;

namespace {

const std::vector<unsigned int> ghbdtn = {KeyCode::g, KeyCode::h, KeyCode::b,    KeyCode::d,
                                          KeyCode::t, KeyCode::n, KeyCode::space};

enum class Toolkit { qt, gtk, chromium };
enum class Order { fieldFirst, rightAfter, longAfter };

std::string name(Toolkit toolkit) {
    switch (toolkit) {
    case Toolkit::qt: return "Qt";
    case Toolkit::gtk: return "Gtk";
    case Toolkit::chromium: return "Chromium";
    }
    return "";
}

std::string name(Order order) {
    switch (order) {
    case Order::fieldFirst: return "FieldBeforeTheProgram";
    case Order::rightAfter: return "FieldRightAfterTheProgram";
    case Order::longAfter: return "FieldLongAfterTheProgram";
    }
    return "";
}

// The window that has the keyboard focus now.
std::string focusedWindow() {
    QProcess xdotool;
    xdotool.start("xdotool", {"getwindowfocus"});
    xdotool.waitForFinished(3000);
    return xdotool.readAllStandardOutput().trimmed().toStdString();
}

// A program with a password field (focused first) and an ordinary field after it; it tells what
// both hold, "password|ordinary", once they hold what was typed.
class FormProgram {
public:
    FormProgram(Toolkit toolkit, const std::string& home)
        : toolkit_(toolkit)
        , home_(home) {}
    ~FormProgram() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

    void start() {
        switch (toolkit_) {
        case Toolkit::qt: process_.start(QCoreApplication::applicationFilePath(), {"--password-form"}); break;
        case Toolkit::gtk:
            process_.start("zenity",
                           {"--forms", "--separator=|", "--add-password=Password", "--add-entry=Name"});
            break;
        case Toolkit::chromium: {
            // The page shows both fields in its title, spaces as "_", after "F:" once the password
            // field has the keyboard (before that "W:": a key sent then may go nowhere).
            std::ofstream(home_ + "/form.html")
                << "<!doctype html><html><head><title>W:|</title></head><body>"
                   "<input id=p type=password autofocus><input id=t>"
                   "<script>const show=()=>document.title=(document.hasFocus()?'F:':'W:')+"
                   "(p.value+'|'+t.value).replace(/ /g,'_');"
                   "p.oninput=show;t.oninput=show;p.onfocus=show;window.onfocus=show;p.focus();show();"
                   "</script></body></html>";
            process_.start("chromium", {"--no-sandbox", "--disable-gpu", "--no-first-run",
                                        "--disable-background-networking", "--disable-component-update",
                                        "--disable-sync", "--password-store=basic",
                                        QString::fromStdString("--user-data-dir=" + home_ + "/chromium"),
                                        QString::fromStdString("--app=file://" + home_ + "/form.html")});
            break;
        }
        }
    }

    // Gives its window the keyboard focus once it shows (no window manager here); true when it has it.
    bool takesTheFocus() {
        QStringList search = {"search", "--onlyvisible"};
        switch (toolkit_) {
        case Toolkit::qt:
            search << "--name"
                   << "^Keyvane password form$";
            break;
        case Toolkit::gtk:
            search << "--class"
                   << "zenity";
            break;
        case Toolkit::chromium:
            search << "--name"
                   << "^[WF]:";
            break;
        }
        return spinUntil(
            [&] {
                QProcess xdotool;
                xdotool.start("xdotool", search);
                xdotool.waitForFinished(3000);
                window_ = xdotool.readAllStandardOutput().split('\n').value(0).trimmed().toStdString();
                if (window_.empty()) {
                    return false;
                }
                QProcess::execute("xdotool", {"windowfocus", QString::fromStdString(window_)});
                return focusedWindow() == window_ && (toolkit_ != Toolkit::chromium || pageHasTheFocus());
            },
            20000);
    }

    // Whether the page says its password field has the keyboard.
    bool pageHasTheFocus() const {
        QProcess xdotool;
        xdotool.start("xdotool", {"getwindowname", QString::fromStdString(window_)});
        xdotool.waitForFinished(3000);
        return xdotool.readAllStandardOutput().startsWith("F:");
    }

    // What the two fields hold, as far as the program has told.
    std::string fields() {
        output_ += process_.readAllStandardOutput();
        if (toolkit_ == Toolkit::chromium) {
            QProcess xdotool;
            xdotool.start("xdotool", {"getwindowname", QString::fromStdString(window_)});
            xdotool.waitForFinished(3000);
            QString title = QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
            return title.mid(2).replace('_', ' ').toStdString();
        }
        // The last whole line (the fields' own spaces kept).
        const qsizetype end = output_.lastIndexOf('\n');
        const qsizetype start = end < 0 ? 0 : output_.lastIndexOf('\n', end - 1) + 1;
        return end < 0 ? std::string() : output_.mid(start, end - start).toStdString();
    }
    // The GTK dialog tells its fields when it is accepted: from the second field past Cancel to OK.
    void finish(User& user) {
        if (toolkit_ == Toolkit::gtk) {
            user.press({KeyCode::tab, KeyCode::tab, KeyCode::space});
            process_.waitForFinished(5000);
        }
    }

private:
    Toolkit toolkit_;
    std::string home_;
    QProcess process_;
    QByteArray output_;
    std::string window_;
};

class PasswordFields : public Desktop, public ::testing::WithParamInterface<std::tuple<Toolkit, Order>> {};

} // namespace

TEST_P(PasswordFields, NothingTypedTheInstantTheFieldHasTheFocusIsCorrected) {
    const auto [toolkit, order] = GetParam();
    LoggingLiveProgram live;
    FormProgram form(toolkit, home.path());
    if (order == Order::fieldFirst) {
        form.start();
        ASSERT_TRUE(form.takesTheFocus());
        ASSERT_TRUE(live.start(/*waitForTheField=*/false));
    } else {
        ASSERT_TRUE(live.start(/*waitForTheField=*/order == Order::longAfter));
        form.start();
        ASSERT_TRUE(form.takesTheFocus());
    }
    user.typeThroughXTest(ghbdtn, 10);

    // Then the ordinary field, once the program has said it is one: corrected there.
    user.press({KeyCode::tab});
    ASSERT_TRUE(spinUntil(
        [&] {
            const std::string log = live.log();
            const std::size_t last = log.rfind("Focused field: ");
            return last != std::string::npos && log.compare(last, 24, "Focused field: ordinary\n") == 0;
        },
        15000))
        << live.log();
    const std::size_t mark = live.mark();
    user.typeThroughXTest(ghbdtn, 10);
    ASSERT_TRUE(live.saysAfter(mark, "Switched keyboard layout to")) << live.log(); // retyped by then
    form.finish(user);
    EXPECT_TRUE(spinUntil([&] { return form.fields() == "ghbdtn |привет "; }, 5000))
        << form.fields() << live.log();
    // For Benchmarks/password-fields.sh, which counts what came out over many runs.
    std::printf("fields of %s: [%s]\n", ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                form.fields().c_str());
}

INSTANTIATE_TEST_SUITE_P(
    EveryToolkitAndOrder, PasswordFields,
    ::testing::Combine(::testing::Values(Toolkit::qt, Toolkit::gtk, Toolkit::chromium),
                       ::testing::Values(Order::fieldFirst, Order::rightAfter, Order::longAfter)),
    [](const auto& test) { return name(std::get<0>(test.param)) + name(std::get<1>(test.param)); });

// A Qt program started while the desktop's accessibility switch was off never tells its fields:
// none of its keys is read until it is started again.
TEST_F(Desktop, AQtProgramThatCannotTellItsFieldsIsLeftAlone) {
    QDBusMessage off = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                      "org.freedesktop.DBus.Properties", "Set");
    off << QString("org.a11y.Status") << QString("IsEnabled") << QVariant::fromValue(QDBusVariant(false));
    ASSERT_EQ(QDBusConnection::sessionBus().call(off).type(), QDBusMessage::ReplyMessage);
    FormProgram form(Toolkit::qt, home.path());
    form.start();
    ASSERT_TRUE(form.takesTheFocus());
    LoggingLiveProgram live;
    ASSERT_TRUE(live.start(/*waitForTheField=*/false));
    ASSERT_TRUE(live.saysAfter(0, "Focused field: untold\n", 10000)) << live.log();
    user.typeThroughXTest(ghbdtn, 10);
    user.press({KeyCode::tab});
    user.typeThroughXTest(ghbdtn, 10);
    // The form has shown both words; the program had every chance to act on them.
    ASSERT_TRUE(spinUntil([&] { return form.fields() == "ghbdtn |ghbdtn "; }, 5000)) << form.fields();
    settle(500);
    EXPECT_EQ(form.fields(), "ghbdtn |ghbdtn ");
    EXPECT_EQ(live.log().find("layout switch"), std::string::npos) << live.log();
}
