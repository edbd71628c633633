#pragma once

#include "competition/Competition.h"

#include <QString>

#include <memory>

namespace brv::test {

inline NumberFormat german()
{
    return NumberFormat(QLatin1Char(','));
}

// A competition with `teams` Vorrunde rows "Nr. r", "FF Team r", class "A", on the Vorrunde page.
inline std::unique_ptr<Competition> makeCompetition(int teams, const CompetitionOptions& options = {})
{
    auto competition = std::make_unique<Competition>(german());
    competition->setOptions(options);
    competition->writeCaptions();
    ResultGrid& v = competition->grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r) {
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
        v.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
        v.setCell(VorrundeColumn::Klasse, r, QStringLiteral("A"));
    }
    competition->enterRound(CompetitionRound::Vorrunde);
    return competition;
}

class FixedAnswer final : public YesNoQuestion
{
public:
    explicit FixedAnswer(bool answer) : m_answer(answer) {}
    bool ask(const QString& question) override
    {
        lastQuestion = question;
        ++asked;
        return m_answer;
    }
    QString lastQuestion;
    int asked = 0;

private:
    bool m_answer;
};

class FixedShift final : public ShiftKeyState
{
public:
    explicit FixedShift(bool down) : m_down(down) {}
    bool shiftDown() const override { return m_down; }

private:
    bool m_down;
};

} // namespace brv::test
