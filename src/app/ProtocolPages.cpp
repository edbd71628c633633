#include "app/ProtocolPages.h"

#include "app/ProtocolTableModel.h"
#include "app/ProtocolTableView.h"
#include "app/RoundTabBar.h"
#include "competition/CellStyle.h"
#include "competition/Competition.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <climits>

namespace brv {

namespace {

// Column widths of the tables in pixels. The team name takes what the other columns leave.
constexpr int kRestWidth = 0;
constexpr int kHiddenColumn = -1;

int vorrundeColumnWidth(VorrundeColumn column, bool classShown, bool thirdLane)
{
    switch (column) {
    case VorrundeColumn::Nr:
        return 42;
    case VorrundeColumn::Mannschaft:
        return kRestWidth;
    case VorrundeColumn::Klasse:
        return classShown ? 66 : kHiddenColumn;
    case VorrundeColumn::Lane1Zeit:
    case VorrundeColumn::Lane1Gesamt:
    case VorrundeColumn::Lane2Zeit:
    case VorrundeColumn::Lane2Gesamt:
        return 74;
    case VorrundeColumn::Lane1Fehler:
    case VorrundeColumn::Lane2Fehler:
        return 51;
    case VorrundeColumn::Lane3Zeit:
    case VorrundeColumn::Lane3Gesamt:
        return thirdLane ? 72 : kHiddenColumn;
    case VorrundeColumn::Lane3Fehler:
        return thirdLane ? 51 : kHiddenColumn;
    case VorrundeColumn::RankingValue:
        return 88;
    case VorrundeColumn::Place:
        return 35;
    }
    return kHiddenColumn;
}

int knockoutColumnWidth(KnockoutColumn column, bool classShown)
{
    switch (column) {
    case KnockoutColumn::PlaceBefore:
    case KnockoutColumn::Nr:
    case KnockoutColumn::Outcome:
        return 49;
    case KnockoutColumn::Mannschaft:
        return kRestWidth;
    case KnockoutColumn::Klasse:
        return classShown ? 71 : kHiddenColumn;
    case KnockoutColumn::BroughtResult:
    case KnockoutColumn::Zeit:
    case KnockoutColumn::Gesamt:
        return 104;
    case KnockoutColumn::Fehler:
        return 74;
    }
    return kHiddenColumn;
}

// `fromViertelfinale`: the knockout starts with the Viertelfinale, the Achtelfinale run is hidden.
int overallColumnWidth(OverallColumn column, bool classShown, bool fromViertelfinale)
{
    const int achtelfinale = roundIndex(CompetitionRound::Achtelfinale);
    const int knockoutFirst = columnIndex(knockoutTimeColumn(CompetitionRound::Achtelfinale));
    const int col = columnIndex(column);
    if (col >= knockoutFirst && col <= columnIndex(knockoutResultColumn(CompetitionRound::Finale))) {
        const CompetitionRound round = roundAt((col - knockoutFirst) / 3 + achtelfinale);
        if (round == CompetitionRound::Achtelfinale && fromViertelfinale)
            return kHiddenColumn;
        if (column == knockoutTimeColumn(round))
            return 55;
        if (column == knockoutPenaltyColumn(round))
            return 32;
        return 67;
    }
    switch (column) {
    case OverallColumn::Place:
        return 45;
    case OverallColumn::Mannschaft:
        return kRestWidth;
    case OverallColumn::Klasse:
        return classShown ? 89 : kHiddenColumn;
    case OverallColumn::VorrundeResult:
        return 86;
    case OverallColumn::BestResult:
        return 68;
    default:
        return kHiddenColumn;
    }
}

} // namespace

ProtocolPages::ProtocolPages(Competition& competition, QWidget* parent)
    : QTabWidget(parent), m_competition(competition)
{
    setObjectName(QStringLiteral("roundTabs"));
    setTabBar(new RoundTabBar(this));
    setTabPosition(QTabWidget::South);
    setDocumentMode(true);
    for (CompetitionRound round : kAllRounds) {
        auto* model = new ProtocolTableModel(competition, round, this);
        auto* view = new ProtocolTableView(competition, model, nullptr);
        m_models[std::size_t(roundIndex(round))] = model;
        m_views[std::size_t(roundIndex(round))] = view;
        if (round != CompetitionRound::GesamtErgebnis)
            connect(view, &ProtocolTableView::contextMenuWanted, this, &ProtocolPages::contextMenuWanted);
        // the heading bars follow the column widths, the stretched team column's too
        if (round == CompetitionRound::Vorrunde || round == CompetitionRound::GesamtErgebnis)
            connect(view->horizontalHeader(), &QHeaderView::sectionResized, this,
                    &ProtocolPages::layoutHeadingBars);

        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (round == CompetitionRound::Vorrunde) {
            m_laneHeadingBar = new HeadingBar(page);
            layout->addWidget(m_laneHeadingBar);
            m_contactLog = new QPlainTextEdit(page);
            m_contactLog->setObjectName(QStringLiteral("contactLog"));
            m_contactLog->setReadOnly(true);
            m_contactLog->hide();
        } else if (round == CompetitionRound::GesamtErgebnis) {
            m_roundHeadingBar = new HeadingBar(page);
            layout->addWidget(m_roundHeadingBar);
        }
        view->setParent(page);
        layout->addWidget(view, 1);
        addTab(page, competition.tables().pageCaption(round));
    }
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_syncingTabs && index >= 0)
            Q_EMIT roundWanted(roundAt(index));
    });
}

void ProtocolPages::showRound(CompetitionRound round)
{
    const int index = roundIndex(round);
    if (currentIndex() != index) {
        m_syncingTabs = true;
        setCurrentIndex(index);
        m_syncingTabs = false;
    }
}

void ProtocolPages::setRoundShown(CompetitionRound round, bool shown)
{
    // hiding a tab must not count as leaving the page
    m_syncingTabs = true;
    setTabVisible(roundIndex(round), shown);
    m_syncingTabs = false;
}

void ProtocolPages::showCaptions()
{
    for (CompetitionRound round : kAllRounds)
        setTabText(roundIndex(round), m_competition.tables().pageCaption(round));
    layoutColumns();
}

void ProtocolPages::syncViews()
{
    for (ProtocolTableView* view : m_views) {
        // an editor stays open only while the core edits that cell (a recalculation or a page
        // change ends the edit)
        const bool coreEditing =
            m_competition.currentRound() == view->round() && m_competition.grid(view->round()).editMode;
        if (view->isEditing() && !coreEditing && !view->isEditingTeam())
            view->closeCellEditor();
        if (!view->isEditing())
            view->syncSelection();
    }
}

void ProtocolPages::showLaneRows()
{
    std::array<int, 3> rows{};
    for (int lane = 1; lane <= 3; ++lane)
        rows[std::size_t(lane - 1)] =
            m_competition.laneActive(lane) ? m_competition.lanes().selector(lane).index : -1;
    const CompetitionRound page = m_competition.currentRound();
    ProtocolTableView* view = table(page);
    if (!view || (rows == m_shownLaneRows && page == m_shownLanesPage))
        return;
    m_shownLaneRows = rows;
    m_shownLanesPage = page;
    int first = INT_MAX;
    int last = -1;
    for (const int index : rows) {
        if (index >= 0) {
            first = std::min(first, index);
            last = std::max(last, index);
        }
    }
    if (last < 0)
        return;
    view->revealRows(first, last);
}

void ProtocolPages::layoutColumns()
{
    const CompetitionOptions& o = m_competition.options();
    const bool cls = o.classColumnShown;
    const bool third = o.thirdLaneOn;
    const bool eight = o.knockoutStart == KnockoutStart::Viertelfinale;
    // widthOf(column) gives a width in pixels, kRestWidth for the column that takes the rest of
    // the table's width (the header stretches it), or kHiddenColumn. A column is never narrower
    // than its caption: a caption cut inside a word ("ehle") says nothing. When the rest is too
    // narrow for its caption, that column keeps the caption's width and the table scrolls.
    auto apply = [](ProtocolTableView* view, int columnCount, const auto& widthOf) {
        QHeaderView* header = view->horizontalHeader();
        int fixed = 0;
        int rest = -1;
        for (int c = 0; c < columnCount; ++c) {
            const int w = widthOf(c);
            view->setColumnHidden(c, w == kHiddenColumn);
            if (w == kRestWidth)
                rest = c;
            header->setSectionResizeMode(c, w == kRestWidth ? QHeaderView::Stretch : QHeaderView::Fixed);
            if (w > 0) {
                header->resizeSection(c, std::max(w, header->sectionSizeHint(c)));
                fixed += header->sectionSize(c);
            }
        }
        if (rest >= 0 && view->viewport()->width() - fixed < header->sectionSizeHint(rest)) {
            header->setSectionResizeMode(rest, QHeaderView::Fixed);
            header->resizeSection(rest, header->sectionSizeHint(rest));
        }
    };
    apply(table(CompetitionRound::Vorrunde), kVorrundeColumnCount,
          [cls, third](int c) { return vorrundeColumnWidth(VorrundeColumn(c), cls, third); });
    for (CompetitionRound round : kAllRounds) {
        if (isKnockoutRound(round))
            apply(table(round), kKnockoutColumnCount,
                  [cls](int c) { return knockoutColumnWidth(KnockoutColumn(c), cls); });
    }
    apply(table(CompetitionRound::GesamtErgebnis), kOverallColumnCount,
          [cls, eight](int c) { return overallColumnWidth(OverallColumn(c), cls, eight); });

    layoutHeadingBars();
}

void ProtocolPages::layoutHeadingBars()
{
    // heading bars over the tables: each group as wide as its columns plus 2
    auto span = [](ProtocolTableView* view, auto first, auto last) {
        int sum = 0;
        for (int c = columnIndex(first); c <= columnIndex(last); ++c) {
            if (!view->isColumnHidden(c))
                sum += view->columnWidth(c);
        }
        return sum;
    };
    using V = VorrundeColumn;
    using O = OverallColumn;
    const QStringList& top = m_competition.tables().laneHeadings();
    ProtocolTableView* v = table(CompetitionRound::Vorrunde);
    m_laneHeadingBar->setHeadings(
        {{top.value(0), span(v, V::Nr, V::Klasse), {}, {}},
         {top.value(1), span(v, laneTimeColumn(1), laneResultColumn(1)), QColor::fromRgb(colour::Lane1), {}},
         {top.value(2), span(v, laneTimeColumn(2), laneResultColumn(2)), QColor::fromRgb(colour::Lane2), {}},
         {top.value(3), span(v, laneTimeColumn(3), laneResultColumn(3)), QColor::fromRgb(colour::Lane3), {}},
         {top.value(4), span(v, V::RankingValue, V::Place), QColor::fromRgb(colour::Ranking), {}}});
    const QStringList& top7 = m_competition.tables().roundHeadings();
    ProtocolTableView* g = table(CompetitionRound::GesamtErgebnis);
    const QColor yellow = QColor::fromRgb(colour::Yellow);
    auto runSpan = [&](CompetitionRound round) {
        return span(g, knockoutTimeColumn(round), knockoutResultColumn(round));
    };
    m_roundHeadingBar->setHeadings(
        {{top7.value(0), span(g, O::Place, O::Klasse), {}, {}},
         {top7.value(1), span(g, O::VorrundeResult, O::VorrundeResult), QColor::fromRgb(colour::Vorrunde),
          yellow},
         {top7.value(2), runSpan(CompetitionRound::Achtelfinale), QColor::fromRgb(colour::Achtelfinale), {}},
         {top7.value(3),
          runSpan(CompetitionRound::Viertelfinale),
          QColor::fromRgb(colour::Viertelfinale),
          {}},
         {top7.value(4), runSpan(CompetitionRound::Halbfinale), QColor::fromRgb(colour::Halbfinale), {}},
         {top7.value(5), runSpan(CompetitionRound::Finale), QColor::fromRgb(colour::Finale), {}},
         {top7.value(6), span(g, O::BestResult, O::BestResult), QColor::fromRgb(colour::Bestes), yellow}});
}

} // namespace brv
