#include "app/ConfirmDialog.h"
#include "app/MainWindow.h"
#include "app/ProgramIcon.h"
#include "app/QtSoundPlayer.h"
#include "app/QtTranslations.h"
#include "exports/CommandLineExport.h"
#include "protocol/CNumericLocale.h"
#include "protocol/ProtocolFiles.h"
#include "session/AppSession.h"
#include "session/ProgramLock.h"
#include "settings/ProgramFiles.h"
#include "settings/SettingsStore.h"
#include "timing/Sound.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>

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

// The program's options, the same for the window and for the export.
struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption readyAndQuit{
        QStringLiteral("ready-and-quit"),
        QStringLiteral("Gibt \"ready\" aus, sobald das Fenster mit dem Protokoll steht, und beendet das "
                       "Programm (misst den Start).")};
    QCommandLineOption exportFile{
        QStringLiteral("export"),
        QStringLiteral("Lädt das Protokoll, schreibt eine Seite davon in <datei> und endet, ohne ein Fenster "
                       "zu zeigen. Die Dateiendung wählt die Form: .html (Webseite), .docx (Word-Dokument, "
                       "aus Protokollvorlage.docx, wenn es sie gibt), .txt (Textprotokoll), "
                       ".xlsx (Protokoll-Arbeitsmappe) oder .pdf (Protokoll-Ausdruck, A4 hoch). Die "
                       "Einstellungen werden gelesen, nichts sonst wird geschrieben. Exit-Code 0 bei Erfolg, "
                       "sonst ungleich 0 mit der Meldung auf der Fehlerausgabe."),
        QStringLiteral("datei")};
    QCommandLineOption page{QStringLiteral("page"),
                            QStringLiteral("Die Seite für --export, nach ihrer Beschriftung (Vorrunde, "
                                           "Achtelfinale, …); ohne sie das Gesamt-Ergebnis."),
                            QStringLiteral("seite")};
    QCommandLineOption dataPaths{
        QStringLiteral("data-paths"),
        QStringLiteral("Zeigt, wo das Programm Handbuch, Klänge und Vorlage gefunden hat und wohin es "
                       "schreibt, und endet (mit --ready-and-quit startet es danach).")};

    CommandLine()
    {
        parser.setApplicationDescription(
            QStringLiteral("Zeitmessung und Protokoll für Feuerwehr-Wettkämpfe."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addPositionalArgument(
            QStringLiteral("protokoll"),
            QStringLiteral("Eine Protokolldatei (.xlsx oder .xls), die nach dem Start "
                           "geladen wird, wie es der Befehl Öffnen tut."),
            QStringLiteral("[protokoll]"));
        parser.addOptions({readyAndQuit, exportFile, page, dataPaths});
    }
};

void nameApplication()
{
    QCoreApplication::setApplicationName(brv::version::kProgramName);
    QCoreApplication::setApplicationVersion(brv::version::kVersion);
    QCoreApplication::setOrganizationName(brv::version::kMaker);
}

// What runs without a window, and so without a display: the export, --help, --version and
// --data-paths (unless --ready-and-quit asks for the window after it).
enum class Windowless { No, Export, Text };

Windowless runsWithoutWindow(int argc, char** argv)
{
    bool exporting = false;
    bool text = false;
    bool window = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        if (arg == "--")
            break;
        exporting = exporting || arg == "--export" || arg.startsWith("--export=");
        text = text || arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
               arg == "--version" || arg == "--data-paths";
        window = window || arg == "--ready-and-quit";
    }
    if (exporting)
        return Windowless::Export;
    return text && !window ? Windowless::Text : Windowless::No;
}

int runWithoutWindow(int argc, char** argv, Windowless kind)
{
    // nothing is shown: the export draws its printout on the platform without a screen, which has
    // the fonts, and the texts need no platform at all
    std::unique_ptr<QCoreApplication> app;
    if (kind == Windowless::Export) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    brv::CNumericLocale::pinProcessNumericLocale();
    brv::installGermanQtTranslations(*app);
    nameApplication();
    CommandLine commandLine;
    commandLine.parser.process(*app); // --help and --version end here
    if (kind == Windowless::Text) {
        printDataPaths(brv::ProgramFiles::detect(QCoreApplication::applicationFilePath()));
        return 0;
    }
    const QStringList positional = commandLine.parser.positionalArguments();
    if (positional.size() != 1) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(QStringLiteral("Zum Export gehört genau eine Protokolldatei: brenvolutaris "
                                               "--export <datei> [--page <seite>] <protokoll.xlsx>")));
        return 2;
    }
    // the user's settings shape the page; they are read, never written, and no journal is kept
    const brv::ProgramFiles files =
        brv::ProgramFiles::fromProgramFile(QCoreApplication::applicationFilePath());
    const brv::Settings settings = brv::loadSettings(*brv::userSettingsBackend(files), 1);
    const brv::ExportRequest request{
        QFileInfo(positional.first()).absoluteFilePath(),
        QFileInfo(commandLine.parser.value(commandLine.exportFile)).absoluteFilePath(),
        commandLine.parser.value(commandLine.page)};
    const brv::ProtocolResult result = brv::exportProtocol(request, settings, files.programFilePath);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.message));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (const Windowless kind = runsWithoutWindow(argc, argv); kind != Windowless::No)
        return runWithoutWindow(argc, argv, kind);
    QApplication app(argc, argv);
    // The application object took the C library's locale from the environment; numbers in the
    // files the program writes never follow it.
    brv::CNumericLocale::pinProcessNumericLocale();
    brv::installGermanQtTranslations(app);
    nameApplication();
    QApplication::setWindowIcon(brv::programIcon());
    CommandLine commandLine;
    commandLine.parser.process(app);
    if (commandLine.parser.isSet(commandLine.dataPaths))
        printDataPaths(brv::ProgramFiles::detect(QCoreApplication::applicationFilePath()));

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
    if (!session.start()) {
        // the program runs already with this user's journal: it shows its window, this one ends
        // without touching anything
        const bool shown = session.programLock()->askToShow();
        const QString message = QStringLiteral("%1 läuft bereits.").arg(brv::version::kProgramName);
        std::fprintf(stderr, "%s\n", qPrintable(message));
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::information(nullptr, QString(brv::version::kProgramName), message);
        return shown ? 0 : 1;
    }
    int exitCode = 0;
    {
        brv::MainWindow window(session);
        window.show();

        const QStringList positional = commandLine.parser.positionalArguments();
        const QString protocol =
            positional.isEmpty() ? QString() : QFileInfo(positional.first()).absoluteFilePath();
        const bool quitWhenReady = commandLine.parser.isSet(commandLine.readyAndQuit);
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
