// Pictures of the installer's window for the user guide (run by hand:
// install_screenshots FOLDER): at its start and part of the way.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "appframe.h"
#include "install.h"
#include "install_window.h"

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);
    AppStartupFrameIn(PROGRAM_INSTALL, "/opt/varn");

    InstallWindow w;
    w.setWindowTitle(QString::fromLocal8Bit(szAppTitle));
    w.show();
    app.processEvents();
    bool ok = w.grab().save(dir + "/install-start.png");

    InstallSetFrontEnd(&w.FrontEnd());
    DlgMainSetProgressTxt("Installing '%s'...", "Docs\\VARN-UserGuide.pdf");
    DlgMainProgress(33);
    app.processEvents();
    ok = w.grab().save(dir + "/install.png") && ok;
    InstallSetFrontEnd(nullptr);
    std::printf("%s\n", ok ? "saved" : "could not save");
    return ok ? 0 : 1;
}
