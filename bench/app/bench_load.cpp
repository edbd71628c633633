// A big protocol loaded in the window: a workbook of `rows` teams (100,000) in the Vorrunde and
// the overall table is written, then
//   export_ms                  the command-line export of it (the overall table as a web page,
//                              no window, no journal), the yardstick;
//   load_100k_rows_window_ms   the load command in the main window, with the session's journal,
//                              until the window has shown the loaded tables (printed last).
// Run from the build folder: QT_QPA_PLATFORM=offscreen ./bench/app/bench_load [rows]
#include "ProtocolTestData.h"
#include "app/MainWindow.h"
#include "exports/CommandLineExport.h"
#include "protocol/ProtocolFiles.h"
#include "session/AppSession.h"
#include "settings/JsonSettingsBackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace brv;

namespace {

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100000;

    QTemporaryDir folder;
    folder.setAutoRemove(qEnvironmentVariableIsEmpty("BRV_BENCH_KEEP"));
    const QString workbook = folder.filePath(QStringLiteral("gross.xlsx"));
    {
        Competition source;
        test::fillCompetition(source, rows);
        ProtocolFiles writer(source);
        if (!writer.saveToWorkbook(workbook)) {
            std::fprintf(stderr, "the workbook was not written: %s\n", qPrintable(writer.errorString()));
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    const ProtocolResult exported =
        exportProtocol({workbook, folder.filePath(QStringLiteral("Gesamt.html")), QString()}, Settings(),
                       folder.filePath(QStringLiteral("Brenvolutaris")));
    const double exportMs = msSince(timer);
    if (!exported.ok) {
        std::fprintf(stderr, "the export failed: %s\n", qPrintable(exported.message));
        return 1;
    }

    AppEnvironment env;
    env.programFilePath = folder.filePath(QStringLiteral("Brenvolutaris"));
    env.settingsStore = std::make_shared<JsonSettingsBackend>(folder.path(), QStringLiteral("Brenvolutaris"));
    env.searchPorts = [] { return quint64(0); };
    env.moveMouse = false;
    env.journalPath = folder.filePath(QStringLiteral("journal.sqlite"));
    AppSession session(env);
    session.start();
    double loadMs = 0;
    {
        MainWindow window(session);
        window.show();
        QApplication::processEvents();
        timer.restart();
        QString message;
        if (!window.loadProtocol(workbook, true, &message)) {
            std::fprintf(stderr, "the load failed: %s\n", qPrintable(message));
            return 1;
        }
        QApplication::processEvents(); // the window shows what was loaded
        loadMs = msSince(timer);
        if (session.competition().grid(CompetitionRound::Vorrunde).rowCount() != rows + 1) {
            std::fprintf(stderr, "the Vorrunde has %d rows\n",
                         session.competition().grid(CompetitionRound::Vorrunde).rowCount());
            return 1;
        }
    }
    std::printf("rows=%d\n", rows);
    if (!folder.autoRemove())
        std::printf("file=%s\n", qPrintable(workbook));
    std::printf("export_ms=%.0f\n", exportMs);
    std::printf("load_100k_rows_window_ms=%.0f\n", loadMs);
    session.end();
    return 0;
}
