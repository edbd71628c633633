#include "session/Messages.h"

#include "timing/ContactPortKeeper.h"

#include <QDir>

namespace brv::messages {

QString clockRefusal(ClockRefusal reason, int lane)
{
    switch (reason) {
    case ClockRefusal::PageDuringHeat:
        return QStringLiteral(" Seitenwechsel erst nach dem Lauf");
    case ClockRefusal::NoHeatOnThisPage:
        return QStringLiteral(" Auf dieser Seite wird kein Lauf gestartet");
    case ClockRefusal::NoTeamOnLanes:
        return QStringLiteral(" Keine Mannschaft auf den Bahnen");
    case ClockRefusal::SameTeamOnTwoLanes:
        return QStringLiteral(" Dieselbe Mannschaft auf zwei Bahnen");
    case ClockRefusal::AllLanesStarted:
        return QStringLiteral(" Alle Bahnen sind in diesem Lauf schon gestartet");
    case ClockRefusal::NotReset:
        return QStringLiteral(" Erst RESET [F10], dann der nächste Start");
    case ClockRefusal::LaneStartNeedsOwnStart:
        return QStringLiteral(" Einzelstart nur bei Einzelstart der Bahnen");
    case ClockRefusal::LaneHasNoTeam:
        return QStringLiteral(" Bahn %1 hat keine Mannschaft").arg(lane);
    case ClockRefusal::LaneRunning:
        return QStringLiteral(" Bahn %1 läuft schon").arg(lane);
    case ClockRefusal::LaneRanInThisHeat:
        return QStringLiteral(" Bahn %1 ist in diesem Lauf schon gelaufen").arg(lane);
    case ClockRefusal::StopInFirstSecond:
        return QStringLiteral(" Bahn %1: Stopp in der ersten Sekunde nicht angenommen").arg(lane);
    case ClockRefusal::LaneKeepsItsTeam:
        return QStringLiteral(" Bahn %1 läuft: die Mannschaft bleibt bis zum Ende des Laufs").arg(lane);
    case ClockRefusal::HeatRuns:
        return QStringLiteral(" Der Lauf läuft: erst alle Bahnen stoppen, dann RESET [F10]");
    case ClockRefusal::LaneNotRunning:
        return QStringLiteral(" Bahn %1 läuft nicht: nichts zu stoppen").arg(lane);
    case ClockRefusal::NoHeatRunning:
        return QStringLiteral(" Fehlstart [F4] nur während eines Laufs");
    case ClockRefusal::FalseStartAfterStop:
        return QStringLiteral(" Fehlstart [F4] nur vor dem ersten Stopp: den Lauf zu Ende stoppen, "
                              "dann RESET [F10]");
    case ClockRefusal::ResetDuringHeat:
        return QStringLiteral(" RESET [F10] erst nach dem Lauf; einen Fehlstart bricht [F4] ab");
    case ClockRefusal::ResetBeforeLastStop:
        return QStringLiteral(" RESET [F10] erst, wenn alle Bahnen gestoppt sind");
    case ClockRefusal::NoHeatToReset:
        return QStringLiteral(" RESET [F10] erst nach einem Lauf");
    case ClockRefusal::TeamsAfterReset:
        return QStringLiteral(" Erst RESET [F10], dann neue Mannschaften");
    case ClockRefusal::LaneNotInUse:
        return QStringLiteral(" Bahn %1 ist hier nicht in Betrieb").arg(lane);
    case ClockRefusal::SettingsDuringHeat:
        return QStringLiteral(" Einstellungen [F2] erst nach dem Lauf und RESET [F10]");
    case ClockRefusal::LoadDuringHeat:
        return QStringLiteral(" Protokoll laden erst nach dem Lauf und RESET [F10]");
    case ClockRefusal::TableEmpty:
        return QStringLiteral(
            " Die Tabelle ist leer: erst Mannschaften eintragen oder ein Protokoll laden [Strg+O]");
    }
    return {};
}

QString inputRefusal(InputRefusal reason, const QString& value)
{
    switch (reason) {
    case InputRefusal::NoValidTime:
        return QStringLiteral(" Keine gültige Zeit: %1").arg(value);
    case InputRefusal::PenaltyWithoutTime:
        return QStringLiteral(" Fehler nur zu einer Zeit");
    case InputRefusal::OnlyNameAfterFirstRun:
        return QStringLiteral(" Nach dem ersten Lauf ist nur der Name änderbar");
    case InputRefusal::NoRowInsertedAfterFirstRun:
        return QStringLiteral(" Nach dem ersten Lauf werden keine Zeilen eingefügt");
    case InputRefusal::NoRowRemovedAfterFirstRun:
        return QStringLiteral(" Nach dem ersten Lauf werden keine Zeilen entfernt");
    case InputRefusal::OnlyEmptyRowRemoved:
        return QStringLiteral(" Nur eine leere Zeile wird entfernt");
    }
    return {};
}

QString placeNotice(const PlaceNotice& notice)
{
    switch (notice.kind) {
    case PlaceNotice::Kind::None:
        break;
    case PlaceNotice::Kind::TieAt8:
        return QStringLiteral(" Plätze 8 und 9 prüfen!");
    case PlaceNotice::Kind::TieAt16:
        return QStringLiteral(" Plätze 16 und 17 prüfen!");
    case PlaceNotice::Kind::Byes: {
        QStringList places;
        for (int p : notice.places)
            places << QString::number(p);
        if (places.isEmpty())
            break;
        const QString last = places.takeLast();
        return QStringLiteral(" Freilos für Platz ") +
               (places.isEmpty() ? last : places.join(QStringLiteral(", ")) + QStringLiteral(" und ") + last);
    }
    }
    return {};
}

QString protocolProgress(ProtocolProgress what)
{
    return what == ProtocolProgress::Loading ? QStringLiteral(" Protokoll öffnen...")
                                             : QStringLiteral(" Protokoll speichern unter...");
}

QString settingsReset(const QStringList& names)
{
    return QStringLiteral(" Einstellungen mit ungültigem Wert auf den Standard gesetzt: ") +
           names.join(QStringLiteral(", "));
}

QString settingsFileDamaged(const QString& copy)
{
    return QStringLiteral(" Die Einstellungsdatei ist nicht lesbar, es gelten die Standardwerte; "
                          "sie wird als %1 aufbewahrt")
        .arg(QDir::toNativeSeparators(copy));
}

QString contactPortDown(int comNumber, const QString& state)
{
    return QStringLiteral(" Kontakt-Port COM%1 %2: Kontakte ohne Funktion – Tasten und Maus arbeiten weiter")
        .arg(comNumber)
        .arg(state);
}

QString contactPortBack(int comNumber)
{
    return QStringLiteral(" Kontakt-Port COM%1 wieder verbunden").arg(comNumber);
}

QString contactPortLost()
{
    return QStringLiteral("getrennt");
}

namespace {

// Why a port did not open, and what helps, in the operator's words.
QString portFailureText(const PortFailure& failure)
{
    switch (failure.reason) {
    case PortOpenFailure::Missing:
        return QStringLiteral("nicht vorhanden – Adapter einstecken, oder die Schnittstelle in den "
                              "Einstellungen prüfen");
    case PortOpenFailure::NoPermission:
        return QStringLiteral("keine Berechtigung – den Benutzer in die Gruppe „dialout“ aufnehmen "
                              "(sudo adduser <Benutzer> dialout), dann ab- und wieder anmelden");
    case PortOpenFailure::Busy:
        return QStringLiteral("belegt – ein anderes Programm hält die Schnittstelle "
                              "(Terminalprogramm, ModemManager, zweites Brenvolutaris); es beenden");
    case PortOpenFailure::NotSerial:
        return QStringLiteral("keine serielle Schnittstelle");
    case PortOpenFailure::SettingsRejected:
        return QStringLiteral("Einstellungen abgelehnt (%1)").arg(failure.systemText);
    case PortOpenFailure::Other:
        break;
    }
    return QStringLiteral("Fehler: %1").arg(failure.systemText);
}

} // namespace

QString contactPortUnavailable(const ContactPortKeeper& keeper)
{
    const std::optional<PortFailure>& failure = keeper.failure();
    return QStringLiteral("nicht verfügbar") +
           (failure ? QStringLiteral(" (") + portFailureText(*failure) + QLatin1Char(')') : QString());
}

QString inputsUnwatched(const QStringList& inputs)
{
    return QLatin1Char(' ') + inputs.join(QStringLiteral(" wird nicht überwacht, ")) +
           QStringLiteral(" wird nicht überwacht");
}

QString liveNotReachable(const QString& error)
{
    return QStringLiteral(" Live-Ergebnisse nicht im Netzwerk: ") + error;
}

QString webPageWritten(const QString& path, bool opened)
{
    return QStringLiteral(" Webseite geschrieben: ") + QDir::toNativeSeparators(path) +
           (opened ? QString()
                   : QStringLiteral(" – der Browser ließ sich nicht öffnen; die Datei von Hand öffnen"));
}

QString undoDuringHeat(bool back)
{
    return back ? QStringLiteral(" Rückgängig erst nach dem Lauf")
                : QStringLiteral(" Wiederholen erst nach dem Lauf");
}

QString nothingToUndo(bool back)
{
    return back ? QStringLiteral(" Nichts rückgängig zu machen") : QStringLiteral(" Nichts zu wiederholen");
}

QString undoDone(bool back, const QString& label)
{
    if (label.isEmpty())
        return back ? QStringLiteral(" Rückgängig gemacht") : QStringLiteral(" Wiederholt");
    return (back ? QStringLiteral(" Rückgängig: ") : QStringLiteral(" Wiederholt: ")) + label;
}

QString journalNotKeptAside(const QString& path, bool folderWritable)
{
    return QStringLiteral("Das Journal %1 lässt sich nicht beiseitelegen (%2); es bleibt unverändert, "
                          "und dieser Wettkampf läuft ohne Journal")
        .arg(QDir::toNativeSeparators(path), folderWritable
                                                 ? QStringLiteral("nicht umzubenennen")
                                                 : QStringLiteral("der Ordner ist schreibgeschützt"));
}

QString journalNotRestored(const QString& why)
{
    return why + QStringLiteral(": der Wettkampf wurde nicht wiederhergestellt");
}

QString noJournal(const QString& error, bool restored)
{
    return error.trimmed().replace(QLatin1Char('\n'), QStringLiteral(" – ")) +
           (restored ? QStringLiteral(" Der Wettkampf wurde wiederhergestellt; ohne Journal weiter")
                     : QStringLiteral(" Ohne Journal weiter"));
}

QString journalProblems(const QStringList& problems)
{
    return QLatin1Char(' ') + problems.join(QStringLiteral("; "));
}

} // namespace brv::messages
