#pragma once

#include "competition/Ranking.h"

#include <QObject>

#include <optional>

namespace brv {

class Competition;

// The best result the public sees (TV display, live results). It is taken from the tables
// whenever the competition evaluates its results and stays as it was when they hold none
// then; when the results are set back (cleared, undone) it is the tables' own, or none.
class PublicBestResult final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PublicBestResult)

public:
    explicit PublicBestResult(const Competition& competition, QObject* parent = nullptr);

    const std::optional<BestResult>& value() const { return m_best; }

Q_SIGNALS:
    void changed();

private:
    void take(bool keepWhenNone);

    const Competition& m_competition;
    std::optional<BestResult> m_best;
};

} // namespace brv
