#include "settings/ProgramFiles.h"

#include "settings/SettingsStore.h"
#include "version.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "settings/WindowsRegistry.h"
#endif

namespace brv {

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

FileTypeNames builtInFileTypeNames()
{
    return {QStringLiteral("Textdatei"), QStringLiteral("Webseite"), QStringLiteral("MS Word"),
            QStringLiteral("MS Excel")};
}

FileTypeNames readFileTypeNames()
{
    FileTypeNames names = builtInFileTypeNames();
#ifdef Q_OS_WIN
    const std::array<QString, 4> classes = {QStringLiteral("txtfile"), QStringLiteral("htmlfile"),
                                            QStringLiteral("Word.Document"), QStringLiteral("Excel.Sheet")};
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const QString name = winreg::classDisplayName(classes[i]);
        if (!name.isEmpty())
            names[i] = name;
    }
#endif
    return names;
}

ProgramFiles ProgramFiles::fromProgramFile(const QString& programFilePath)
{
    const QFileInfo info(programFilePath);
    ProgramFiles files;
    files.programFilePath = programFilePath;
    files.programBaseName = info.completeBaseName();
    files.registryKeyPath = settingsKeyPath(files.programBaseName);
    files.programDir = withSlash(info.path());
    files.dataDir = files.programDir;
    files.outputDir = files.programDir;
    files.documentTemplatePath = files.dataDir + kDocumentTemplateName;
    files.manualStartPage = files.dataDir + kManualStartPage;
    return files;
}

ProgramFiles ProgramFiles::detect(const QString& programFilePath)
{
    ProgramFiles files = fromProgramFile(programFilePath);
    const bool beside =
        QFileInfo::exists(files.manualStartPage) || QFileInfo::exists(files.soundPath(kStartSoundName));
    const QString installedData = QDir::cleanPath(files.programDir + version::kInstalledDataFolder);
    if (!beside && QFileInfo(installedData).isDir()) {
        files.dataDir = withSlash(installedData);
        files.documentTemplatePath = files.dataDir + kDocumentTemplateName;
        files.manualStartPage = files.dataDir + kManualStartPage;
    }
    if (files.installed() || !QFileInfo(files.programDir).isWritable()) {
        files.outputDir = userDataDir();
        QDir().mkpath(files.outputDir);
        // the organiser cannot put a template beside such a program, but into this folder
        const QString own = files.outputDir + kDocumentTemplateName;
        if (QFileInfo::exists(own))
            files.documentTemplatePath = own;
    }
    files.startSoundPresent = QFileInfo::exists(files.soundPath(kStartSoundName));
    files.fileTypeNames = readFileTypeNames();
    return files;
}

QString ProgramFiles::userDataDir()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           version::kMaker + QLatin1Char('/');
}

QString ProgramFiles::soundPath(const QString& soundName) const
{
    return dataDir + soundName + kSoundExtension;
}

} // namespace brv
