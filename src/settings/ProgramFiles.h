#pragma once

#include <QLatin1StringView>
#include <QString>

#include <array>

namespace brv {

// Display names of the save dialog's four file types: text, web page, Word, Excel.
using FileTypeNames = std::array<QString, 4>;

// "Textdatei", "Webseite", "MS Word", "MS Excel".
FileTypeNames builtInFileTypeNames();
// On Windows the names registered for "txtfile", "htmlfile", "Word.Document" and
// "Excel.Sheet" where they exist; the built-in names for the rest and on other systems.
FileTypeNames readFileTypeNames();

// The places derived from the program file at start-up: where its settings live and which
// files beside it are used. Built from the path of the program file as it is named on disk
// (the application passes QCoreApplication::applicationFilePath()).
struct ProgramFiles
{
    static constexpr QLatin1StringView kDocumentTemplateName{"Protokollvorlage.docx"};
    static constexpr QLatin1StringView kStartSoundName{"Audio-Start"};
    static constexpr QLatin1StringView kSoundExtension{".wav"};
    static constexpr QLatin1StringView kHelpExtension{".chm"};

    // Everything but the start-sound flag and the file type names, which look at the system.
    static ProgramFiles fromProgramFile(const QString& programFilePath);
    // fromProgramFile() plus the start-sound flag and readFileTypeNames().
    static ProgramFiles detect(const QString& programFilePath);

    QString programFilePath;
    // File name without folder and last extension: "Brenvolutaris" for ".../Brenvolutaris.exe".
    QString programBaseName;
    // "\Software\Tempvalorhub\" + programBaseName; a renamed program gets its own settings.
    QString registryKeyPath;
    // The program's folder, with Qt's '/' separators, ending in '/'.
    QString programDir;
    QString documentTemplatePath;   // programDir + "Protokollvorlage.docx"
    QString helpFilePath;           // the program file with the extension ".chm"
    bool startSoundPresent = false; // programDir + "Audio-Start.wav" exists
    FileTypeNames fileTypeNames = builtInFileTypeNames();

    // programDir + name + ".wav", for "Audio-Start", "Audio-Achtung", "Audio-Fehlstart" and
    // "Audio-Stopp".
    QString soundPath(const QString& soundName) const;
};

} // namespace brv
