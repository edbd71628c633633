#pragma once

class QCoreApplication;

namespace brv {

// Qt's own dialogs (file dialogs, questions, the font and print dialogs) speak German, as the
// program does, whatever language the system is set to. Returns false when Qt's German
// translations are not installed; the dialogs then stay English.
bool installGermanQtTranslations(QCoreApplication& application);

} // namespace brv
