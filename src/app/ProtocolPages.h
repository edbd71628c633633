#pragma once

#include "competition/CompetitionRound.h"

#include <QTabWidget>

#include <array>

class QPlainTextEdit;

namespace brv {

class Competition;
class HeadingBar;
class ProtocolTableModel;
class ProtocolTableView;

// The protocol's six pages behind round-coloured tabs at the bottom edge: each round's table,
// the Vorrunde's under the lanes' headings and the overall table under the rounds' headings,
// with the columns as wide as the page's layout wants them. A tab the operator picks is reported,
// not entered: the window asks the session whether the page may change.
class ProtocolPages final : public QTabWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolPages)

public:
    ProtocolPages(Competition& competition, QWidget* parent);

    ProtocolTableView* table(CompetitionRound round) const { return m_views[std::size_t(roundIndex(round))]; }
    QPlainTextEdit* contactLog() const { return m_contactLog; }
    // Shows the round's page, or its tab or not, without reporting it as the operator's choice.
    void showRound(CompetitionRound round);
    void setRoundShown(CompetitionRound round, bool shown);
    // The tabs' captions from the tables, then the columns.
    void showCaptions();
    // The columns' widths and the heading bars over them, as the options lay them out.
    void layoutColumns();
    // The views follow the core's current cell and close an editor whose edit has ended.
    void syncViews();
    // The teams that run next stay in sight in the table; the operator's own scrolling is kept
    // until the lanes take other teams.
    void showLaneRows();

Q_SIGNALS:
    // The operator picked the round's tab.
    void roundWanted(brv::CompetitionRound round);
    void contextMenuWanted(const QPoint& globalPos);

private:
    void layoutHeadingBars();

    Competition& m_competition;
    bool m_syncingTabs = false;
    std::array<ProtocolTableModel*, kRoundCount> m_models{};
    std::array<ProtocolTableView*, kRoundCount> m_views{};
    HeadingBar* m_laneHeadingBar = nullptr;
    HeadingBar* m_roundHeadingBar = nullptr;
    QPlainTextEdit* m_contactLog = nullptr;
    // the lanes' rows last scrolled into view, by page
    std::array<int, 3> m_shownLaneRows{};
    CompetitionRound m_shownLanesPage = CompetitionRound::GesamtErgebnis;
};

} // namespace brv
