#include "defaultconfig.h"
#include "globalstate.h"
#include "qdlglogin.h"
#include "qsingleapplication.h"
#include "qwinmain.h"
#include "startup.h"
#include "testhooks.h"
#include "usersettings.h"

#include <memory>

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
    installStartHooks(app);

    // The dialog deletes itself when it closes, so it lives on the heap and is not touched
    // once exec() has returned.
    auto *login = new QDlgLogin(nullptr);
    installLoginHooks(login);
    if (login->exec() != QDialog::Accepted)
        return 0;

    // The window goes before the application object: its destructor waits for the update
    // engine's thread, which must not outlive the application.
    auto window = std::make_unique<QWinMain>();
    window->show();
    centreWindow(window.get());
    window->showBulletinDialog();
    installWindowHooks(app, *window);
    const int result = app.exec();
    window.reset();
    return result;
}
