// SPDX-License-Identifier: GPL-3.0-or-later
// keyvane-field-qt6: one Qt 6 line edit for the input-method tests, as keyvane-field-gtk3 is for
// GTK3. Prints the line edit's whole text on standard output, one line each time it changes and
// each time it gets the keyboard focus, so the first line (empty) tells that the field has the
// focus. The input method is Qt's choice (QT_IM_MODULE).
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <cstdio>

namespace {

void printText(const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

class Field : public QLineEdit {
protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        printText(text());
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (QApplication::arguments().size() > 1) {
        std::fprintf(stderr, "usage: keyvane-field-qt6\n");
        return 2;
    }
    // The X11 class and Wayland app_id, by which a compositor's rules or a test find the window.
    QApplication::setApplicationName("keyvane-field-qt6");
    QApplication::setDesktopFileName("keyvane-field-qt6");

    Field field;
    field.setWindowTitle("Keyvane Qt 6 field");
    field.resize(400, 40);
    QObject::connect(&field, &QLineEdit::textChanged, [](const QString& text) { printText(text); });
    field.show();
    field.activateWindow();
    field.setFocus();
    return QApplication::exec();
}
