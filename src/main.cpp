// SPDX-License-Identifier: MIT
#include "main_window/commandline.h"
#include "main_window/frmmain.h"
#include "main_window/interfacefont.h"
#include "main_window/translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (const std::optional<int> exitStatus = HandleCommandLine(argc, argv))
        return *exitStatus;
    QGuiApplication::setDesktopFileName(QStringLiteral(TYPESHELF_APP_ID));
    QApplication app(argc, argv);
    const Translations translations{QLocale()};
    ResolveApplicationFontFamily();
    frmMain window;
    window.show();
    return app.exec();
}
