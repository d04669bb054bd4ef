// SPDX-License-Identifier: GPL-3.0-or-later
// keyvane-field-qt5: one Qt 5 line edit, for the desktop tests. Prints the whole text on standard
// output, one line each time it changes. Qt 5 reads the keyboard group otherwise than Qt 6 does.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setWindowTitle("keyvane-field-qt5");
    QObject::connect(&edit, &QLineEdit::textChanged, [](const QString& text) {
        std::printf("%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    });
    edit.resize(400, 40);
    edit.show();
    return app.exec();
}
