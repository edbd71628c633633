#pragma once

#include "competition/Competition.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolLoader.h"
#include "protocol/XlsxPatcher.h"
#include "protocol/XlsxReader.h"

#include <cstdio>
#include <cstdlib>

namespace brv::fuzz {

// What every input goes through: the reader, the table building of a load, and the in-place
// writer; a workbook the reader accepts must, once written into, still be accepted.
inline void exercise(const QByteArray& workbook)
{
    static Competition competition;
    static const bool filled = [] {
        ResultGrid& g = competition.grid(CompetitionRound::Vorrunde);
        g.setRowCount(4);
        for (int r = 1; r < 4; ++r) {
            g.setCell(VorrundeColumn::Nr, r, QString::number(r));
            g.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Fuzz %1").arg(r));
            g.setCell(VorrundeColumn::Lane1Zeit, r, QStringLiteral("12,5"));
        }
        competition.grid(CompetitionRound::Halbfinale).setCell(KnockoutColumn::Outcome, 1, QStringLiteral("+"));
        return true;
    }();
    (void)filled;
    static const std::vector<ProtocolSheet> sheets = [] {
        std::vector<ProtocolSheet> list;
        for (CompetitionRound round : kAllRounds)
            list.push_back(protocolSheet(competition, round));
        return list;
    }();
    static const std::vector<PlacedCell> bracket = bracketCells(competition);

    XlsxReader reader(QLatin1Char(','), 17);
    WorkbookContent content;
    const bool readable = reader.read(workbook, content);
    if (readable)
        (void)tablesFromWorkbook(content, competition);

    XlsxPatcher patcher;
    QByteArray patched;
    if (patcher.patch(workbook, sheets, bracket, DocumentProperties{}, patched) && readable) {
        XlsxReader again(QLatin1Char(','), 17);
        WorkbookContent reread;
        if (!again.read(patched, reread)) {
            std::fprintf(stderr, "patched workbook unreadable: %s\n", qPrintable(again.errorString()));
            std::abort();
        }
    }
}

} // namespace brv::fuzz
