#pragma once

#include "competition/Competition.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace brv::test {

// "a|b|c" as a list, for data rows.
inline QStringList list(const char* items)
{
    return QString::fromUtf8(items).split(QLatin1Char('|'));
}

// Hundredths of a second as the clock writes them: 3005 gives "30,05".
inline QString hundredths(int h)
{
    return QStringLiteral("%1,%2").arg(h / 100).arg(h % 100, 2, 10, QLatin1Char('0'));
}

// A competition with `teams` Vorrunde rows "r", "FF Team r", class "A", on the Vorrunde page.
inline std::unique_ptr<Competition> makeCompetition(int teams, const CompetitionOptions& options = {})
{
    auto competition = std::make_unique<Competition>(NumberFormat(QLatin1Char(',')));
    competition->setOptions(options);
    competition->writeCaptions();
    ResultGrid& v = competition->grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r)
        v.setRowCells(r, {QString::number(r), QStringLiteral("FF Team %1").arg(r), QStringLiteral("A")});
    competition->enterRound(CompetitionRound::Vorrunde);
    return competition;
}

// The cells of one column of the data rows.
template <typename Column> QStringList column(const ResultGrid& g, Column col)
{
    QStringList values;
    for (int r = 1; r < g.rowCount(); ++r)
        values << g.cell(col, r);
    return values;
}

// Writes `values` into one column, from row 1 on.
template <typename Column> void setColumn(ResultGrid& g, Column col, const QStringList& values)
{
    for (int r = 1; r <= values.size(); ++r)
        g.setCell(col, r, values[r - 1]);
}

struct FixedAnswer final : YesNoQuestion
{
    explicit FixedAnswer(bool yes) : answer(yes) {}
    bool ask(const QString& question) override
    {
        lastQuestion = question;
        return answer;
    }
    bool answer;
    QString lastQuestion;
};

struct FixedShift final : ShiftKeyState
{
    explicit FixedShift(bool down) : down(down) {}
    bool shiftDown() const override { return down; }
    bool down;
};

} // namespace brv::test
