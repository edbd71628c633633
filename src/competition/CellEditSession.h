#pragma once

#include "competition/CompetitionRound.h"

#include <QChar>
#include <QString>

#include <optional>

namespace brv {

// The operator's correction of one cell: which column is being edited on which page, which
// keys reach the cell, and whether Enter commits. The edit itself is committed by the
// competition, which computes what follows from it.
class CellEditSession
{
public:
    // Zeit and Fehler of a run are edited; the totals are computed.
    static bool isEditable(CompetitionRound round, int col);

    bool isActive() const { return m_column != -1; }
    // The column the edit belongs to, -1 without an edit.
    int column() const { return m_column; }
    // In the Vorrunde the edit belongs to the run's Fehler column, whichever cell of it was chosen.
    void begin(CompetitionRound round, int col);
    void end() { m_column = -1; }

    // Whether a typed character reaches the edited cell: digits, backspace and the decimal
    // separator.
    bool acceptsKey(QChar key, QChar decimalSeparator) const;
    // The character a key puts into the cell, or nothing when it is dropped. A point or a comma
    // means the decimal separator, whichever the system uses.
    std::optional<QChar> character(QChar key, QChar decimalSeparator) const;
    // `text` with the dropped characters taken out.
    QString accepted(const QString& text, QChar decimalSeparator) const;
    // Enter commits every edited run cell, a knockout Zeit too, so its heat is decided at once.
    bool enterCommits() const { return isActive(); }

private:
    int m_column = -1;
};

} // namespace brv
