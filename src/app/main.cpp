#include "app/MainWindow.h"
#include "app/QtTranslations.h"
#include "protocol/CNumericLocale.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The application object took the C library's locale from the environment; numbers in the
    // files the program writes never follow it.
    brv::CNumericLocale::pinProcessNumericLocale();
    brv::installGermanQtTranslations(app);
    QApplication::setApplicationName(brv::version::kProgramName);
    QApplication::setOrganizationName(brv::version::kMaker);

    brv::MainWindow window{brv::AppEnvironment{}};
    window.show();

    // An optional protocol file on the command line is loaded as the load command would.
    // "--ready-and-quit" prints "ready" once the window is shown with that file loaded, then
    // ends the program (for measuring the start-up).
    const QStringList arguments = QApplication::arguments().mid(1);
    const bool readyAndQuit = arguments.contains(QStringLiteral("--ready-and-quit"));
    QString protocol;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1Char('-'))) {
            protocol = QFileInfo(argument).absoluteFilePath();
            break;
        }
    }
    QTimer::singleShot(0, &window, [&window, protocol, readyAndQuit] {
        if (!protocol.isEmpty())
            window.loadProtocol(protocol, readyAndQuit);
        if (readyAndQuit) {
            std::printf("ready\n");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
    });
    return app.exec();
}
