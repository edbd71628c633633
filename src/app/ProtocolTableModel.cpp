#include "app/ProtocolTableModel.h"

#include <QColor>
#include <QFont>
#include <algorithm>

namespace brv {

ProtocolTableModel::ProtocolTableModel(Competition& competition, CompetitionRound round, QObject* parent)
    : QAbstractTableModel(parent), m_competition(competition), m_round(round),
      m_rows(competition.grid(round).dataRowCount())
{
    const ProtocolTables& tables = competition.tables();
    connect(&tables, &ProtocolTables::rowsChanged, this, &ProtocolTableModel::refreshRows);
    connect(&tables, &ProtocolTables::tableChanged, this, [this](CompetitionRound changed) {
        if (changed == m_round)
            refresh();
    });
    // the colours follow the teams on the lanes and the options
    connect(&competition, &Competition::lanesChanged, this, &ProtocolTableModel::refresh);
    connect(&competition, &Competition::layoutRequested, this, &ProtocolTableModel::refresh);
}

int ProtocolTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ProtocolTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_competition.grid(m_round).columnCount();
}

QVariant ProtocolTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row() + 1;
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_competition.grid(m_round).cell(col, row);
    case Qt::BackgroundRole: {
        const CellStyle style = m_competition.cellStyle(m_round, col, row);
        return style.background ? QVariant(QColor::fromRgb(*style.background)) : QVariant();
    }
    case Qt::ForegroundRole: {
        const CellStyle style = m_competition.cellStyle(m_round, col, row);
        return style.foreground ? QVariant(QColor::fromRgb(*style.foreground)) : QVariant();
    }
    case Qt::FontRole: {
        const CellStyle style = m_competition.cellStyle(m_round, col, row);
        if (!style.bold)
            return {};
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_competition.cellStyle(m_round, col, row).alignment);
    case MedalRole:
        return int(m_competition.cellStyle(m_round, col, row).medal);
    case MedalTextLeftRole:
        return m_competition.cellStyle(m_round, col, row).medalTextLeft;
    default:
        return {};
    }
}

QVariant ProtocolTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_competition.grid(m_round).cell(section, 0);
    case Qt::FontRole: {
        QFont font;
        font.setPointSize(m_competition.cellStyle(m_round, section, 0).fontPointSize);
        return font;
    }
    default:
        return {};
    }
}

Qt::ItemFlags ProtocolTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const ResultGrid& grid = m_competition.grid(m_round);
    if (index.isValid() && m_competition.currentRound() == m_round && grid.editMode &&
        index.row() + 1 == grid.currentRow && index.column() == grid.currentColumn)
        flags |= Qt::ItemIsEditable;
    if (index.isValid() && m_round == CompetitionRound::Vorrunde &&
        m_competition.teamCellEditable(index.column(), index.row() + 1))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ProtocolTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (isTeamCell(index))
        return m_competition.setTeamCell(index.column(), index.row() + 1, value.toString());
    m_competition.setEditText(value.toString());
    return true;
}

bool ProtocolTableModel::isTeamCell(const QModelIndex& index) const
{
    return index.isValid() && m_round == CompetitionRound::Vorrunde &&
           !CellEditSession::isEditable(m_round, index.column()) &&
           m_competition.teamCellEditable(index.column(), index.row() + 1);
}

void ProtocolTableModel::refreshRows(CompetitionRound round, int first, int last)
{
    if (round != m_round)
        return;
    if (m_competition.grid(m_round).dataRowCount() != m_rows) {
        refresh();
        return;
    }
    if (first == 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (last >= 1 && m_rows > 0)
        Q_EMIT dataChanged(index(std::max(first, 1) - 1, 0),
                           index(std::min(last, m_rows) - 1, columnCount() - 1));
}

void ProtocolTableModel::refresh()
{
    const int rows = m_competition.grid(m_round).dataRowCount();
    if (rows != m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

} // namespace brv
