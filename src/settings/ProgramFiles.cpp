#include "settings/ProgramFiles.h"

#include "settings/SettingsStore.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include "settings/WindowsRegistry.h"
#endif

namespace brv {

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
    files.programDir = info.path();
    if (!files.programDir.endsWith(QLatin1Char('/')))
        files.programDir += QLatin1Char('/');
    files.documentTemplatePath = files.programDir + kDocumentTemplateName;
    files.helpFilePath = files.programDir + files.programBaseName + kHelpExtension;
    return files;
}

ProgramFiles ProgramFiles::detect(const QString& programFilePath)
{
    ProgramFiles files = fromProgramFile(programFilePath);
    files.startSoundPresent = QFileInfo::exists(files.soundPath(kStartSoundName));
    files.fileTypeNames = readFileTypeNames();
    return files;
}

QString ProgramFiles::soundPath(const QString& soundName) const
{
    return programDir + soundName + kSoundExtension;
}

} // namespace brv
