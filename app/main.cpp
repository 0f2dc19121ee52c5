#include <QApplication>

#include "app/AppFonts.h"
#include "app/AppIcons.h"
#include "app/AdminProgram.h"
#include "ui/TMessageBoxPrompts.h"

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Администратор"_s);
    QApplication::setWindowIcon(ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    InstallFontSubstitutes();

    TMessageBoxPrompts prompts;
    return RunAdministrator(prompts);
}
