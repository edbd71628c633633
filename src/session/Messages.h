#pragma once

#include "competition/CompetitionNotices.h"
#include "protocol/ProtocolFiles.h"
#include "timing/RaceClock.h"

#include <QString>
#include <QStringList>

namespace brv {

class ContactPortKeeper;

// The German texts of the status bar for what the layers below report as reasons and values.
// The texts begin with a blank, as the panel shows them.
namespace messages {

QString clockRefusal(ClockRefusal reason, int lane);
QString inputRefusal(InputRefusal reason, const QString& value);
// Empty for none: the panel is cleared.
QString placeNotice(const PlaceNotice& notice);
QString protocolProgress(ProtocolProgress what);

QString settingsReset(const QStringList& names);
// The settings file could not be read; it is kept aside as `copy`.
QString settingsFileDamaged(const QString& copy);
// A contact port that does not work, and why ("getrennt", or why it did not open).
QString contactPortDown(int comNumber, const QString& state);
QString contactPortBack(int comNumber);
QString contactPortLost();
// Why a port did not open and what helps, from what its keeper knows.
QString contactPortUnavailable(const ContactPortKeeper& keeper);
QString inputsUnwatched(const QStringList& inputs);
QString liveNotReachable(const QString& error);

// The web page was written to `path`; `opened`: the browser shows it.
QString webPageWritten(const QString& path, bool opened);

// Undo and redo: refused while a heat runs, and what was done.
QString undoDuringHeat(bool back);
QString nothingToUndo(bool back);
QString undoDone(bool back, const QString& label);

// The journal: why an old one stays where it is, why none is kept, whether the competition came
// back.
QString journalNotKeptAside(const QString& path, bool folderWritable);
QString journalNotRestored(const QString& why);
QString noJournal(const QString& error, bool restored);
QString journalProblems(const QStringList& problems);

} // namespace messages
} // namespace brv
