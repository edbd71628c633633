#include "TFormMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(brv::TFormMain::kApplicationTitle);
    QApplication::setOrganizationName(QStringLiteral("Tempvalorhub"));

    brv::TFormMain window{brv::AppEnvironment{}};
    window.show();

    // An optional protocol file on the command line is loaded as the load command would.
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        QTimer::singleShot(0, &window, [&window, argument] { window.loadProtocol(QFileInfo(argument).absoluteFilePath()); });
        break;
    }
    return app.exec();
}
