#pragma once

#include <QByteArray>
#include <QString>

namespace brv {

// The operator's message for a file that could not be written, followed by the file.
inline const QString kWriteErrorText = QStringLiteral("Der Schreibfehler der Datei: ");

// kWriteErrorText and the file in the system's notation, the reason on a line of its own when
// there is one.
QString writeErrorMessage(const QString& path, const QString& reason);

// Why a file operation failed, in German, for an errno value; the system's own text follows in
// brackets where no German text is known.
QString fileErrorReason(int errorNumber);

// Every file the program writes goes through here, so a crash or a full disk while writing
// leaves the previous file whole.
//
// Writes `data` to `path`: into a new file beside it, written, flushed and synced, renamed over
// the old file, and the folder synced. A symbolic link is followed and its target replaced.
// Where the folder takes no new file but the file itself may be written, the file is written
// in place, and its old content put back when that fails. On failure, false with the German
// reason in `error`, and the old file is as it was.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error);

} // namespace brv
