#include "app/ConfirmDialog.h"
#include "app/MainWindow.h"
#include "app/ProgramIcon.h"
#include "app/QtTranslations.h"
#include "protocol/CNumericLocale.h"
#include "protocol/ProtocolFiles.h"
#include "session/AppSession.h"
#include "settings/ProgramFiles.h"
#include "timing/QtSoundPlayer.h"
#include "timing/Sound.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

class DesktopFileOpener final : public brv::SystemFileOpener
{
public:
    bool openFile(const QString& path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

// Where the program found its read-only files and where it writes, one "what: path" a line;
// a file that is not there is marked.
void printDataPaths(const brv::ProgramFiles& files)
{
    const auto line = [](const QString& what, const QString& path, bool file = true) {
        const bool missing = file && !QFileInfo::exists(path);
        std::printf("%s: %s%s\n", qPrintable(what), qPrintable(QDir::toNativeSeparators(path)),
                    missing ? " (fehlt)" : "");
    };
    line(QStringLiteral("Daten"), files.dataDir, false);
    line(QStringLiteral("Handbuch"), files.manualStartPage);
    for (brv::Sound sound : brv::kAllSounds)
        line(QStringLiteral("Klang"), files.dataDir + brv::soundFileName(sound));
    line(QStringLiteral("Vorlage"), files.documentTemplatePath);
    line(QStringLiteral("Ausgabe"), files.outputDir, false);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The application object took the C library's locale from the environment; numbers in the
    // files the program writes never follow it.
    brv::CNumericLocale::pinProcessNumericLocale();
    brv::installGermanQtTranslations(app);
    QApplication::setApplicationName(brv::version::kProgramName);
    QApplication::setApplicationVersion(brv::version::kVersion);
    QApplication::setOrganizationName(brv::version::kMaker);
    QApplication::setWindowIcon(brv::programIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Zeitmessung und Protokoll für Feuerwehr-Wettkämpfe."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("protokoll"),
                                 QStringLiteral("Eine Protokolldatei (.xlsx oder .xls), die nach dem Start "
                                                "geladen wird, wie es der Befehl Öffnen tut."),
                                 QStringLiteral("[protokoll]"));
    const QCommandLineOption readyAndQuit(
        QStringLiteral("ready-and-quit"),
        QStringLiteral("Gibt \"ready\" aus, sobald das Fenster mit dem Protokoll steht, und beendet das "
                       "Programm (misst den Start)."));
    parser.addOption(readyAndQuit);
    const QCommandLineOption dataPaths(
        QStringLiteral("data-paths"),
        QStringLiteral("Zeigt, wo das Programm Handbuch, Klänge und Vorlage gefunden hat und wohin es "
                       "schreibt, und endet (mit --ready-and-quit startet es danach)."));
    parser.addOption(dataPaths);
    parser.process(app);
    if (parser.isSet(dataPaths)) {
        printDataPaths(brv::ProgramFiles::detect(QCoreApplication::applicationFilePath()));
        if (!parser.isSet(readyAndQuit))
            return 0;
    }

    DesktopFileOpener opener;
    brv::AppEnvironment environment;
    environment.monitorCount = int(QGuiApplication::screens().size());
    environment.fileOpener = &opener;
    brv::ConfirmDialog recoveryQuestion;
    recoveryQuestion.yesFocused = true; // restoring loses nothing
    environment.recoveryQuestion = &recoveryQuestion;
    environment.makeSounds = [](const QString& soundDir) -> std::unique_ptr<brv::SoundPlayer> {
        return std::make_unique<brv::QtSoundPlayer>(soundDir);
    };
    brv::AppSession session(std::move(environment));
    session.start();
    int exitCode = 0;
    {
        brv::MainWindow window(session);
        window.show();

        const QStringList positional = parser.positionalArguments();
        const QString protocol =
            positional.isEmpty() ? QString() : QFileInfo(positional.first()).absoluteFilePath();
        const bool quitWhenReady = parser.isSet(readyAndQuit);
        QTimer::singleShot(0, &window, [&window, protocol, quitWhenReady] {
            if (!protocol.isEmpty())
                window.loadProtocol(protocol, quitWhenReady);
            if (quitWhenReady) {
                std::printf("ready\n");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            }
        });
        exitCode = QApplication::exec();
    }
    // the ports close first, then the settings are written
    if (!session.end())
        QMessageBox::warning(nullptr, QString(brv::version::kProgramName), session.statusMessage().trimmed());
    return exitCode;
}
