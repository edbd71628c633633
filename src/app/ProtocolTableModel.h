#pragma once

#include "competition/Competition.h"

#include <QAbstractTableModel>

namespace brv {

// One round's table as a Qt model: data rows of the grid as rows, its caption row as the
// horizontal header, and the display rules of the core as roles.
class ProtocolTableModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolTableModel)

public:
    enum Role { MedalRole = Qt::UserRole + 1, MedalTextLeftRole };

    ProtocolTableModel(Competition& competition, CompetitionRound round, QObject* parent = nullptr);

    CompetitionRound round() const { return m_round; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // A Vorrunde team cell (Nr., Mannschaft, Klasse) that can be typed now: it is edited as
    // free text, started by a double click or Enter, not by typing (typing finds a team).
    bool isTeamCell(const QModelIndex& index) const;

private:
    // The whole table may differ: rows, cells or captions.
    void refresh();
    void refreshRows(brv::CompetitionRound round, int first, int last);

    Competition& m_competition;
    CompetitionRound m_round;
    int m_rows = 0;
};

} // namespace brv
