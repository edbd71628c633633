#pragma once

#include "competition/CellText.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/ResultGrid.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <memory>

namespace brv {

// What one batch of changes did to a table: cells of rows first .. last changed, or rows were
// added, dropped or reordered (whole).
struct TableChange
{
    int first = -1;
    int last = -1;
    bool whole = false;
    bool any() const { return whole || first >= 0; }
};
using TableChanges = std::array<TableChange, kRoundCount>;

// Hears of every batch of changes before anyone else does (the journal: a change is durable
// before the window shows it).
class TableChangeRecorder
{
public:
    virtual ~TableChangeRecorder() = default;
    virtual void recordChanges(const TableChanges& changes) = 0;
};

// The six tables of the protocol, the heading bars and the page captions. Every change of a
// cell is announced: at once, or, inside a ChangeBatch, once per table when the batch ends.
// What follows from the runs is kept up to date before anyone hears of a change: the outcome of
// every knockout heat and the whole overall table, whatever order the pages were visited in.
class ProtocolTables final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProtocolTables)

public:
    explicit ProtocolTables(QObject* parent = nullptr);
    ~ProtocolTables() override;

    ResultGrid& grid(CompetitionRound round) { return *m_grids[std::size_t(roundIndex(round))]; }
    const ResultGrid& grid(CompetitionRound round) const { return *m_grids[std::size_t(roundIndex(round))]; }
    // How the derived cells are computed: the knockout start and the pairing shape the overall
    // table; the number format reads and writes the cells. Derives them anew.
    void setRules(const CompetitionOptions& options, const NumberFormat& format);
    // The recorder hears of each batch before the signals go out; null: none.
    void setRecorder(TableChangeRecorder* recorder) { m_recorder = recorder; }

    // Heading bars: the lane headings over the Vorrunde (5), the round headings over the
    // overall table (7).
    const QStringList& laneHeadings() const { return m_laneHeadings; }
    const QStringList& roundHeadings() const { return m_roundHeadings; }
    void setRoundHeading(int col, const QString& text);
    QString pageCaption(CompetitionRound round) const
    {
        return m_pageCaptions[std::size_t(roundIndex(round))];
    }
    void setPageCaption(CompetitionRound round, const QString& caption);

    // Writes the caption rows of all tables and the heading bars.
    void writeCaptions(const CompetitionOptions& options);
    // "Beste"/"Summe" for ranking by the best sum, "Best"/"Zeit" by the best time; other modes
    // change nothing.
    void applyRankingCaptions(RankingMode mode);
    // Writes the class caption into the caption rows of every table.
    void applyClassCaption(const QString& caption);

    // Takes the rows of every present table; the others stay as they are.
    void replace(const std::array<std::unique_ptr<ResultGrid>, kRoundCount>& tables,
                 const std::array<bool, kRoundCount>& present);

    // While one lives, changes are gathered and announced when the last one ends.
    class ChangeBatch
    {
    public:
        explicit ChangeBatch(ProtocolTables& tables) : m_tables(tables) { ++m_tables.m_batchDepth; }
        ~ChangeBatch() { m_tables.endBatch(); }
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

    private:
        ProtocolTables& m_tables;
    };

Q_SIGNALS:
    // Cells of rows first .. last changed (row 0: the captions).
    void rowsChanged(brv::CompetitionRound round, int first, int last);
    // Rows were added, dropped or reordered: the whole table may differ.
    void tableChanged(brv::CompetitionRound round);
    void captionsChanged();

private:
    void noteChange(CompetitionRound round, int row);
    void endBatch();
    // The heats' outcomes of the changed knockout tables and the overall table.
    void derive();

    std::array<std::unique_ptr<ResultGrid>, kRoundCount> m_grids;
    QStringList m_laneHeadings;
    QStringList m_roundHeadings;
    std::array<QString, kRoundCount> m_pageCaptions;
    TableChanges m_pending;
    TableChangeRecorder* m_recorder = nullptr;
    int m_batchDepth = 0;
    CompetitionOptions m_options;
    NumberFormat m_format;
    bool m_deriving = false;
    std::array<bool, kRoundCount> m_changedSinceDerived{};
};

} // namespace brv
