#include "competition/CellEditSession.h"

#include "competition/TableSchema.h"

namespace brv {

bool CellEditSession::isEditable(CompetitionRound round, int col)
{
    if (round == CompetitionRound::Vorrunde) {
        const int lane = laneOfColumn(col);
        return lane > 0 &&
               (col == columnIndex(laneTimeColumn(lane)) || col == columnIndex(lanePenaltyColumn(lane)));
    }
    if (isKnockoutRound(round))
        return col == columnIndex(KnockoutColumn::Zeit) || col == columnIndex(KnockoutColumn::Fehler);
    return false;
}

void CellEditSession::begin(CompetitionRound round, int col)
{
    m_column = round == CompetitionRound::Vorrunde ? columnIndex(lanePenaltyColumn(laneOfColumn(col))) : col;
}

bool CellEditSession::acceptsKey(QChar key, QChar decimalSeparator) const
{
    // every run cell takes digits and the separator only, a knockout Zeit too
    if (!isActive())
        return true;
    return (key >= QLatin1Char('0') && key <= QLatin1Char('9')) || key == QChar(8) || key == decimalSeparator;
}

std::optional<QChar> CellEditSession::character(QChar key, QChar decimalSeparator) const
{
    if (isActive() && (key == QLatin1Char('.') || key == QLatin1Char(',')))
        key = decimalSeparator;
    if (!acceptsKey(key, decimalSeparator))
        return std::nullopt;
    return key;
}

QString CellEditSession::accepted(const QString& text, QChar decimalSeparator) const
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c == QChar(8))
            continue;
        if (const std::optional<QChar> typed = character(c, decimalSeparator))
            result += *typed;
    }
    return result;
}

} // namespace brv
