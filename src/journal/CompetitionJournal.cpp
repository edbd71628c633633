#include "journal/CompetitionJournal.h"

#include "competition/Competition.h"
#include "files/AtomicFile.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <sqlite3.h>

#include <cerrno>

namespace brv {

namespace {

constexpr int kFormat = 1;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS grids(round INTEGER PRIMARY KEY, "
    "  row_count INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS grid_rows(round INTEGER NOT NULL, row INTEGER NOT NULL, "
    "  cells TEXT NOT NULL, PRIMARY KEY(round, row)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS lanes(lane INTEGER PRIMARY KEY, entries TEXT NOT NULL, "
    "  selected INTEGER NOT NULL, in_use INTEGER NOT NULL);";

// One prepared statement, finalized when it goes.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_stmt != nullptr; }
    Statement& bind(int index, qint64 value)
    {
        sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    Statement& bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // Runs a statement that returns no rows, ready to be bound again.
    bool run()
    {
        const bool done = m_stmt && sqlite3_step(m_stmt) == SQLITE_DONE;
        sqlite3_reset(m_stmt);
        return done;
    }
    bool next() { return m_stmt && sqlite3_step(m_stmt) == SQLITE_ROW; }
    qint64 integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col)),
                                 sqlite3_column_bytes(m_stmt, col));
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

QString toJson(const QStringList& list)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

QStringList fromJson(const QString& text)
{
    QStringList list;
    const QJsonArray array = QJsonDocument::fromJson(text.toUtf8()).array();
    for (const QJsonValue& v : array)
        list.append(v.toString());
    return list;
}

QString optionsJson(const CompetitionOptions& o)
{
    QJsonObject json{{"rankingMode", int(o.rankingMode)},
                     {"thirdLaneOn", o.thirdLaneOn},
                     {"knockoutStart", int(o.knockoutStart)},
                     {"pairing", int(o.pairing)},
                     {"commonStart", o.commonStart},
                     {"classColumnShown", o.classColumnShown},
                     {"classColumnCaption", o.classColumnCaption}};
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

CompetitionOptions optionsFromJson(const QString& text)
{
    const QJsonObject json = QJsonDocument::fromJson(text.toUtf8()).object();
    CompetitionOptions o;
    o.rankingMode = RankingMode(json.value(QLatin1String("rankingMode")).toInt(int(o.rankingMode)));
    o.thirdLaneOn = json.value(QLatin1String("thirdLaneOn")).toBool(o.thirdLaneOn);
    o.knockoutStart = KnockoutStart(json.value(QLatin1String("knockoutStart")).toInt(int(o.knockoutStart)));
    o.pairing = Pairing(json.value(QLatin1String("pairing")).toInt(int(o.pairing)));
    o.commonStart = json.value(QLatin1String("commonStart")).toBool(o.commonStart);
    o.classColumnShown = json.value(QLatin1String("classColumnShown")).toBool(o.classColumnShown);
    o.classColumnCaption = json.value(QLatin1String("classColumnCaption")).toString(o.classColumnCaption);
    return o;
}

sqlite3* openFile(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    return db;
}

QString metaValue(sqlite3* db, const char* key)
{
    Statement st(db, "SELECT value FROM meta WHERE key = ?");
    st.bind(1, QString::fromLatin1(key));
    return st.next() ? st.text(0) : QString();
}

bool setMeta(sqlite3* db, const char* key, const QString& value)
{
    Statement st(db, "INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)");
    return st.bind(1, QString::fromLatin1(key)).bind(2, value).run();
}

// The German write error for the journal file: a full disk, or the system's error number where
// SQLite keeps one, in German words; anything else with SQLite's own text in brackets.
QString writeError(const QString& path, sqlite3* db)
{
    if (!db)
        return writeErrorMessage(path, QStringLiteral("Die Datei lässt sich nicht öffnen."));
    if (sqlite3_errcode(db) == SQLITE_FULL)
        return writeErrorMessage(path, fileErrorReason(ENOSPC));
    if (const int errorNumber = sqlite3_system_errno(db))
        return writeErrorMessage(path, fileErrorReason(errorNumber));
    return writeErrorMessage(path, QStringLiteral("Das Journal lässt sich nicht schreiben (%1).")
                                       .arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace

CompetitionJournal::CompetitionJournal(QObject* parent) : QObject(parent) {}

CompetitionJournal::~CompetitionJournal()
{
    detach();
    sqlite3_close(m_db);
}

QString CompetitionJournal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
           version::kMaker + QStringLiteral("/Wettkampf-Journal.sqlite");
}

CompetitionJournal::State CompetitionJournal::state(const QString& path)
{
    if (!QFileInfo::exists(path))
        return State::Missing;
    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE);
    const QString value = db ? metaValue(db, "state") : QString();
    sqlite3_close(db);
    return value == QLatin1String("closed") ? State::Closed : State::Unclean;
}

std::optional<JournalSnapshot> CompetitionJournal::read(const QString& path, QString* error)
{
    // read-write: the last connection to close folds the write-ahead log into the file
    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE);
    auto failed = [&](const QString& why) -> std::optional<JournalSnapshot> {
        if (error)
            *error = QStringLiteral("Das Journal %1 ist nicht lesbar (%2)")
                         .arg(QDir::toNativeSeparators(path), why);
        sqlite3_close(db);
        return std::nullopt;
    };
    if (!db)
        return failed(QStringLiteral("nicht zu öffnen"));
    if (metaValue(db, "format").toInt() != kFormat)
        return failed(QStringLiteral("unbekanntes Format"));

    JournalSnapshot s;
    s.page = roundAt(std::clamp(metaValue(db, "page").toInt(), 0, kRoundCount - 1));
    s.options = optionsFromJson(metaValue(db, "options"));
    s.pageCaptions = fromJson(metaValue(db, "page_captions"));
    s.roundHeadings = fromJson(metaValue(db, "round_headings"));
    s.started = QDateTime::fromString(metaValue(db, "started"), Qt::ISODate);
    for (CompetitionRound round : kAllRounds) {
        Statement count(db, "SELECT row_count FROM grids WHERE round = ?");
        count.bind(1, roundIndex(round));
        if (!count.next())
            return failed(QStringLiteral("Tabelle %1 fehlt").arg(roundCaption(round)));
        auto grid = std::make_unique<ResultGrid>(TableId(roundIndex(round)), roundColumnCount(round),
                                                 int(count.integer(0)));
        Statement rows(db, "SELECT row, cells FROM grid_rows WHERE round = ?");
        rows.bind(1, roundIndex(round));
        while (rows.next())
            grid->setRowCells(int(rows.integer(0)), fromJson(rows.text(1)));
        s.tables[std::size_t(roundIndex(round))] = std::move(grid);
    }
    Statement lanes(db, "SELECT lane, entries, selected, in_use FROM lanes");
    while (lanes.next()) {
        const qint64 lane = lanes.integer(0);
        if (lane < 1 || lane > 3)
            continue;
        LaneSelector& sel = s.lanes[std::size_t(lane - 1)];
        sel.entries = fromJson(lanes.text(1));
        sel.select(int(lanes.integer(2)));
        sel.inUse = lanes.integer(3) != 0;
        // the clock stands still after a restart: a lane locked by a running heat is free again
        sel.enabled = sel.count() > 0 && sel.inUse;
    }
    sqlite3_close(db);
    return s;
}

QString CompetitionJournal::keepAside(const QString& path)
{
    QDateTime started;
    if (sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE)) {
        started = QDateTime::fromString(metaValue(db, "started"), Qt::ISODate);
        sqlite3_close(db); // folds the write-ahead log into the file before it moves
    }
    if (!started.isValid())
        started = QFileInfo(path).lastModified();
    const QFileInfo info(path);
    const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-') +
                         started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString target = stem + QLatin1Char('.') + info.suffix();
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QStringLiteral("-%1.").arg(n) + info.suffix();
    return QFile::rename(path, target) ? target : QString();
}

void CompetitionJournal::restore(const JournalSnapshot& snapshot, Competition& competition)
{
    competition.setOptions(snapshot.options);
    ProtocolTables& tables = competition.tables();
    tables.writeCaptions(snapshot.options);
    tables.replace(snapshot.tables, {true, true, true, true, true, true});
    for (int k = 0; k < kRoundCount && k < snapshot.pageCaptions.size(); ++k)
        tables.setPageCaption(roundAt(k), snapshot.pageCaptions.at(k));
    for (int col = 0; col < snapshot.roundHeadings.size(); ++col)
        tables.setRoundHeading(col, snapshot.roundHeadings.at(col));
    competition.lanes().restore(snapshot.lanes);
    competition.setCurrentRound(snapshot.page);
    // the TV display's best result comes back with the tables, as after a load
    competition.updateTvBestResult();
}

bool CompetitionJournal::open(const QString& path, Competition& competition)
{
    close();
    QDir().mkpath(QFileInfo(path).path());
    m_db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const bool ready =
        m_db && exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=FULL") && exec(kSchema) &&
        exec("BEGIN") && setMeta(m_db, "format", QString::number(kFormat)) &&
        setMeta(m_db, "state", QStringLiteral("open")) &&
        exec("INSERT OR IGNORE INTO meta(key, value) VALUES('started', strftime('%Y-%m-%dT%H:%M:%SZ'))") &&
        commit();
    if (!ready) {
        m_error = writeError(path, m_db);
        sqlite3_close(std::exchange(m_db, nullptr));
        return false;
    }
    m_path = path;
    m_competition = &competition;
    ProtocolTables* tables = &competition.tables();
    m_connections = {
        connect(tables, &ProtocolTables::rowsChanged, this,
                [this](CompetitionRound round, int first, int last) {
                    write([=, this] { return putRows(round, first, last, false); });
                }),
        connect(tables, &ProtocolTables::tableChanged, this,
                [this](CompetitionRound round) { write([=, this] { return putRows(round, 0, -1, true); }); }),
        connect(tables, &ProtocolTables::captionsChanged, this,
                [this] { write([this] { return putCaptions(); }); }),
        connect(&competition.lanes(), &LaneAssignment::changed, this,
                [this] { write([this] { return putLanes(); }); }),
        connect(&competition, &Competition::pageChanged, this,
                [this] { write([this] { return putPage(); }); }),
        connect(&competition, &Competition::layoutRequested, this,
                [this] { write([this] { return putPage(); }); }),
    };
    const bool whole = exec("BEGIN") && putAll() && exec("COMMIT");
    if (!whole) {
        m_error = writeError(path, m_db);
        detach();
        sqlite3_close(std::exchange(m_db, nullptr));
    }
    return whole;
}

void CompetitionJournal::detach()
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_competition = nullptr;
}

void CompetitionJournal::close()
{
    detach();
    if (m_db) {
        setMeta(m_db, "state", QStringLiteral("closed"));
        sqlite3_close(std::exchange(m_db, nullptr));
    }
}

bool CompetitionJournal::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CompetitionJournal::commit()
{
    if (exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

void CompetitionJournal::write(const std::function<bool()>& body)
{
    if (!m_db)
        return;
    if (exec("BEGIN") && body() && exec("COMMIT"))
        return;
    m_error = writeError(m_path, m_db);
    exec("ROLLBACK");
    Q_EMIT writeFailed(m_error);
}

// The page and the options go with every change of a table: they are a few bytes, and no path
// that changes them is missed.
bool CompetitionJournal::putRows(CompetitionRound round, int first, int last, bool whole)
{
    const ResultGrid& grid = m_competition->grid(round);
    Statement count(m_db, "INSERT OR REPLACE INTO grids(round, row_count) VALUES(?, ?)");
    Statement drop(m_db, "DELETE FROM grid_rows WHERE round = ? AND row >= ?");
    bool ok = count.bind(1, roundIndex(round)).bind(2, grid.rowCount()).run() &&
              drop.bind(1, roundIndex(round)).bind(2, whole ? 0 : grid.rowCount()).run();
    Statement row(m_db, "INSERT OR REPLACE INTO grid_rows(round, row, cells) VALUES(?, ?, ?)");
    if (whole) {
        first = 0;
        last = grid.rowCount() - 1;
    }
    for (int r = std::max(0, first); ok && r <= last && r < grid.rowCount(); ++r)
        ok = row.bind(1, roundIndex(round)).bind(2, r).bind(3, toJson(grid.rowCells(r))).run();
    return ok && putPage();
}

bool CompetitionJournal::putLanes()
{
    Statement st(m_db, "INSERT OR REPLACE INTO lanes(lane, entries, selected, in_use) VALUES(?, ?, ?, ?)");
    bool ok = true;
    for (int lane = 1; ok && lane <= 3; ++lane) {
        const LaneSelector& sel = m_competition->lanes().selector(lane);
        ok =
            st.bind(1, lane).bind(2, toJson(sel.entries)).bind(3, sel.index).bind(4, sel.inUse ? 1 : 0).run();
    }
    return ok && putPage();
}

bool CompetitionJournal::putCaptions()
{
    QStringList pages;
    for (CompetitionRound round : kAllRounds)
        pages.append(m_competition->tables().pageCaption(round));
    return setMeta(m_db, "page_captions", toJson(pages)) &&
           setMeta(m_db, "round_headings", toJson(m_competition->tables().roundHeadings()));
}

bool CompetitionJournal::putPage()
{
    return setMeta(m_db, "page", QString::number(roundIndex(m_competition->currentRound()))) &&
           setMeta(m_db, "options", optionsJson(m_competition->options()));
}

bool CompetitionJournal::putAll()
{
    bool ok = putLanes() && putCaptions();
    for (CompetitionRound round : kAllRounds)
        ok = ok && putRows(round, 0, -1, true);
    return ok;
}

} // namespace brv
