#include "defaultconfig.h"
#include "globalstate.h"
#include "qsingleapplication.h"
#include "qwinmain.h"
#include "startup.h"
#include "testhooks.h"
#include "usersettings.h"

int main(int argc, char *argv[])
{
    setUtf8LocaleCodec();
    QSingleApplication app(argc, argv, QStringLiteral("Veltaron"));
    loadDefaultConfig();
    loadOptionConfig();
    installAppFont(getAppDir());
    installStyleSheet(&app, getAppDir());
    if (app.isRunning()) {
        app.sendMessage(QStringLiteral("已运行相同程序！"));
        return 0;
    }
    installTranslator(&app, getAppDir());

    // The login dialog runs here once it exists; until then the main window follows at once.
    QWinMain window;
    window.show();
    centreWindow(&window);
    window.showBulletinDialog();
    installTestHooks(app, window);
    return app.exec();
}
