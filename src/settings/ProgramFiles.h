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

// The places derived from the program file at start-up: where its settings live, where the
// files it reads lie and where it writes. Built from the path of the program file as it is
// named on disk (the application passes QCoreApplication::applicationFilePath()).
//
// The read-only files (sounds, manual, document template) lie beside the program, as in a build
// tree or a folder copied to a stick, unless the program is installed: then its folder holds
// neither the manual nor the start sound, and they lie in the data folder
// version::kInstalledDataFolder relative to it (/usr/share/brenvolutaris for /usr/bin).
struct ProgramFiles
{
    static constexpr QLatin1StringView kDocumentTemplateName{"Protokollvorlage.docx"};
    static constexpr QLatin1StringView kStartSoundName{"Audio-Start"};
    static constexpr QLatin1StringView kSoundExtension{".wav"};
    // The manual's start page, relative to the data folder.
    static constexpr QLatin1StringView kManualStartPage{"handbuch/index.html"};

    // Everything but what looks at the system (the data and output folders stay the
    // program's folder, no start sound, the built-in file type names).
    static ProgramFiles fromProgramFile(const QString& programFilePath);
    // fromProgramFile() plus the data and output folders, the start-sound flag and
    // readFileTypeNames(). Creates the output folder when it is the user's.
    static ProgramFiles detect(const QString& programFilePath);
    // The user's folder for what the program writes: <GenericDataLocation>/Tempvalorhub/.
    static QString userDataDir();

    QString programFilePath;
    // File name without folder and last extension: "Brenvolutaris" for ".../Brenvolutaris.exe".
    QString programBaseName;
    // "\Software\Tempvalorhub\" + programBaseName; a renamed program gets its own settings.
    QString registryKeyPath;
    // The program's folder, with Qt's '/' separators, ending in '/'.
    QString programDir;
    // The folder of the read-only files: programDir, or the installed data folder. Ends in '/'.
    QString dataDir;
    // Where a file goes that the program would write beside itself (the text copy after a heat,
    // an exported page): programDir when the files lie there and it is writable, else
    // userDataDir(). Ends in '/'.
    QString outputDir;
    // outputDir + "Protokollvorlage.docx" when the program writes into the user's folder and the
    // template is there, else dataDir + "Protokollvorlage.docx"
    QString documentTemplatePath;
    QString manualStartPage;        // dataDir + "handbuch/index.html"
    bool startSoundPresent = false; // dataDir + "Audio-Start.wav" exists
    FileTypeNames fileTypeNames = builtInFileTypeNames();

    // dataDir + name + ".wav", for "Audio-Start", "Audio-Achtung", "Audio-Fehlstart" and
    // "Audio-Stopp".
    QString soundPath(const QString& soundName) const;
    // Whether the read-only files come from the installed data folder.
    bool installed() const { return dataDir != programDir; }
};

} // namespace brv
