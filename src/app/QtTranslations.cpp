#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace brv {

bool installGermanQtTranslations(QCoreApplication& application)
{
    // Beside the program first (a Windows installation), then where the system keeps Qt's.
    const QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString& folder : folders) {
        auto* translator = new QTranslator(&application);
        if (translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qt"),
                             QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

} // namespace brv
