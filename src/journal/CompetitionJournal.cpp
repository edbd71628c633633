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
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <tuple>

namespace brv {

namespace {

// 2 added the undo history; a journal of format 1 is read as one without steps.
constexpr int kFormat = 2;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS grids(round INTEGER PRIMARY KEY, "
    "  row_count INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS grid_rows(round INTEGER NOT NULL, row INTEGER NOT NULL, "
    "  cells TEXT NOT NULL, PRIMARY KEY(round, row)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS lanes(lane INTEGER PRIMARY KEY, entries TEXT NOT NULL, "
    "  selected INTEGER NOT NULL, in_use INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS undo_steps(step INTEGER PRIMARY KEY, label TEXT NOT NULL, "
    "  before TEXT NOT NULL, after TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS undo_rows(step INTEGER NOT NULL, round INTEGER NOT NULL, "
    "  row INTEGER NOT NULL, before TEXT, after TEXT, PRIMARY KEY(step, round, row)) WITHOUT ROWID;";

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
    Statement& bindNull(int index)
    {
        sqlite3_bind_null(m_stmt, index);
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
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
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

using Extras = CompetitionJournal::Extras;

bool sameLanes(const std::array<LaneSelector, 3>& a, const std::array<LaneSelector, 3>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), [](const LaneSelector& x, const LaneSelector& y) {
        return x.index == y.index && x.inUse == y.inUse && x.count == y.count;
    });
}

// Where the lanes stand: the team each one shows and lane 3's box.
bool samePlaces(const std::array<LaneSelector, 3>& a, const std::array<LaneSelector, 3>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), [](const LaneSelector& x, const LaneSelector& y) {
        return x.index == y.index && x.inUse == y.inUse;
    });
}

// What a step keeps whole on both its sides: the page, the lanes and the protocol file.
bool sameSides(const Extras& a, const Extras& b)
{
    return a.page == b.page && samePlaces(a.lanes, b.lanes) && a.documentFile == b.documentFile;
}

bool sameExtras(const Extras& a, const Extras& b)
{
    return a.page == b.page && a.rowCounts == b.rowCounts && a.pageCaptions == b.pageCaptions &&
           a.roundHeadings == b.roundHeadings && sameLanes(a.lanes, b.lanes) &&
           a.documentFile == b.documentFile;
}

// A step's side as a JSON object: the page, where the lanes stand and the protocol file always
// (so that undo and redo give them back exactly, whatever moved them), the row counts and the
// captions where they differ from `other`.
QString extrasJson(const Extras& side, const Extras& other)
{
    QJsonObject json;
    json.insert(QLatin1String("page"), roundIndex(side.page));
    QJsonArray lanes;
    for (const LaneSelector& sel : side.lanes)
        lanes.append(QJsonObject{{"selected", sel.index}, {"inUse", sel.inUse}});
    json.insert(QLatin1String("lanes"), lanes);
    json.insert(QLatin1String("file"), side.documentFile);
    if (side.rowCounts != other.rowCounts) {
        QJsonArray counts;
        for (const int count : side.rowCounts)
            counts.append(count);
        json.insert(QLatin1String("rows"), counts);
    }
    if (side.pageCaptions != other.pageCaptions)
        json.insert(QLatin1String("pageCaptions"), QJsonArray::fromStringList(side.pageCaptions));
    if (side.roundHeadings != other.roundHeadings)
        json.insert(QLatin1String("roundHeadings"), QJsonArray::fromStringList(side.roundHeadings));
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

QStringList stringList(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& v : value.toArray())
        list.append(v.toString());
    return list;
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
    if (std::optional<JournalSnapshot> snapshot = readFile(path, error))
        return snapshot;
    // a folder that cannot be written (a read-only disk): the journal is read from a copy
    QTemporaryDir copy;
    const QString copied = copy.filePath(QFileInfo(path).fileName());
    if (!copy.isValid() || !QFile::copy(path, copied))
        return std::nullopt;
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::copy(path + suffix, copied + suffix);
    std::optional<JournalSnapshot> snapshot = readFile(copied, nullptr);
    if (snapshot && error)
        error->clear();
    return snapshot;
}

std::optional<JournalSnapshot> CompetitionJournal::readFile(const QString& path, QString* error)
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
    const int format = metaValue(db, "format").toInt();
    if (format < 1 || format > kFormat)
        return failed(QStringLiteral("unbekanntes Format"));

    JournalSnapshot s;
    s.page = roundAt(std::clamp(metaValue(db, "page").toInt(), 0, kRoundCount - 1));
    s.options = optionsFromJson(metaValue(db, "options"));
    s.pageCaptions = fromJson(metaValue(db, "page_captions"));
    s.roundHeadings = fromJson(metaValue(db, "round_headings"));
    s.started = QDateTime::fromString(metaValue(db, "started"), Qt::ISODate);
    s.documentFile = metaValue(db, "protocol_file");
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
    // the lanes choose among the rows of the page they stand on (lane 3 switched off: none)
    Statement lanes(db, "SELECT lane, selected, in_use FROM lanes");
    while (lanes.next()) {
        const qint64 lane = lanes.integer(0);
        if (lane < 1 || lane > 3)
            continue;
        LaneSelector& sel = s.lanes[std::size_t(lane - 1)];
        sel.inUse = lanes.integer(2) != 0;
        sel.count = lane < 3 || sel.inUse ? s.tables[std::size_t(roundIndex(s.page))]->dataRowCount() : 0;
        sel.select(int(lanes.integer(1)));
        // the clock stands still after a restart: a lane locked by a running heat is free again
        sel.enabled = sel.count > 0 && sel.inUse;
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
    // the best result shown comes back with the tables, as after a load
    competition.resultsLoaded();
}

bool CompetitionJournal::open(const QString& path, Competition& competition, bool keepSteps)
{
    close();
    // the common reasons in the operator's words, before SQLite gives a less telling one
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable() ||
        (QFileInfo::exists(path) && !QFileInfo(path).isWritable())) {
        m_error = writeErrorMessage(
            path, !QFileInfo::exists(folder)        ? QStringLiteral("Der Ordner lässt sich nicht anlegen.")
                  : !QFileInfo(folder).isWritable() ? QStringLiteral("Der Ordner ist schreibgeschützt.")
                                                    : QStringLiteral("Die Datei ist schreibgeschützt."));
        return false;
    }
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
    // a lane or page change is another action than a typing that waits for its commit
    auto leaveTyping = [this] {
        if (m_step && m_step->carried)
            endStep();
    };
    m_connections = {
        connect(tables, &ProtocolTables::captionsChanged, this,
                [this] { write([this] { return putCaptions(); }); }),
        connect(&competition.lanes(), &LaneAssignment::changed, this,
                [this, leaveTyping] {
                    leaveTyping();
                    write([this] { return putLanes(); });
                    amendDone();
                    queueEndOfEvent();
                }),
        connect(&competition, &Competition::pageChanged, this,
                [this, leaveTyping] {
                    leaveTyping();
                    write([this] { return putPage(); });
                    amendDone();
                    queueEndOfEvent();
                }),
        connect(&competition, &Competition::layoutRequested, this,
                [this] { write([this] { return putPage(); }); }),
        connect(&competition, &Competition::actionStarted, this, &CompetitionJournal::actionStarted),
        // an action that finished what was typed before another one begins: the typing is a step
        connect(&competition, &Competition::actionEnded, this,
                [this] {
                    if (!m_replaying && !m_outsideSteps)
                        endStep();
                }),
    };
    tables->setRecorder(this);
    const bool whole = exec("BEGIN") && putAll(keepSteps) && exec("COMMIT");
    if (!whole) {
        m_error = writeError(path, m_db);
        detach();
        sqlite3_close(std::exchange(m_db, nullptr));
    }
    Q_EMIT stepsChanged();
    return whole;
}

void CompetitionJournal::recordChanges(const TableChanges& changes)
{
    write([this, &changes] {
        bool ok = true;
        for (CompetitionRound round : kAllRounds) {
            const TableChange& c = changes[std::size_t(roundIndex(round))];
            if (c.any())
                ok = ok && putRows(round, c.whole ? 0 : c.first, c.whole ? -1 : c.last, c.whole);
        }
        return ok;
    });
}

void CompetitionJournal::detach()
{
    if (m_competition)
        m_competition->tables().setRecorder(nullptr);
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_competition = nullptr;
    m_step.reset();
    m_done = m_newest = 0;
    m_oldest = 1;
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
    if (m_replaying) { // undo or redo: inside its own transaction
        m_bodyFailed = m_bodyFailed || !body();
        return;
    }
    if (m_together) { // a journal that must be written anew is, once, at the end
        if (!m_stale)
            m_bodyFailed = m_bodyFailed || !(body() && putStepExtras());
        return;
    }
    const bool stale = m_stale;
    if (exec("BEGIN") && (stale ? putAll(false) : body() && putStepExtras()) && exec("COMMIT")) {
        m_stale = false;
        if (stale)
            Q_EMIT writeRecovered();
        return;
    }
    failed();
}

void CompetitionJournal::failed()
{
    m_error = writeError(m_path, m_db);
    exec("ROLLBACK");
    m_stale = true;
    dropSteps();
    Q_EMIT writeFailed(m_error);
}

void CompetitionJournal::writeTogether(const std::function<void()>& changes)
{
    // without a transaction of its own each change tries on its own
    if (!m_db || m_replaying || m_together || !exec("BEGIN")) {
        changes();
        return;
    }
    m_bodyFailed = false;
    m_together = true;
    changes();
    m_together = false;
    const bool stale = m_stale;
    if (!m_bodyFailed && (!stale || putAll(false)) && exec("COMMIT")) {
        m_stale = false;
        if (stale)
            Q_EMIT writeRecovered();
        return;
    }
    failed();
}

void CompetitionJournal::dropSteps()
{
    m_step.reset();
    m_done = m_newest = 0;
    m_oldest = 1;
    Q_EMIT stepsChanged();
}

// Only the rows that differ from the file are written. The page and the options go with every
// change of a table: they are a few bytes, and no path that changes them is missed.
bool CompetitionJournal::putRows(CompetitionRound round, int first, int last, bool whole)
{
    const ResultGrid& grid = m_competition->grid(round);
    const int k = roundIndex(round);
    std::vector<QStringList>& known = m_rows[std::size_t(k)];
    const int count = grid.rowCount();
    const int before = int(known.size());
    if (whole || count != before) {
        first = 0;
        last = count - 1;
    }
    std::vector<std::pair<int, QStringList>> changed;
    for (int r = std::max(0, first); r <= last && r < count; ++r) {
        QStringList cells = grid.rowCells(r);
        if (r >= before || known[std::size_t(r)] != cells)
            changed.emplace_back(r, std::move(cells));
    }
    if (changed.empty() && count == before)
        return putPage();

    const bool record = !m_outsideSteps && !m_replaying;
    bool ok = !record || beginStep();
    Statement row(m_db, "INSERT OR REPLACE INTO grid_rows(round, row, cells) VALUES(?, ?, ?)");
    Statement undo(m_db, "INSERT INTO undo_rows(step, round, row, before, after) VALUES(?, ?, ?, ?, ?) "
                         "ON CONFLICT(step, round, row) DO UPDATE SET after = excluded.after");
    // a row of the step as it was and as it is; a side where the row does not exist is NULL
    auto note = [&](int r, const QStringList* was, const QString* is) {
        if (!record)
            return true;
        undo.bind(1, m_step->id).bind(2, k).bind(3, r);
        was ? undo.bind(4, toJson(*was)) : undo.bindNull(4);
        is ? undo.bind(5, *is) : undo.bindNull(5);
        return undo.run();
    };
    for (const auto& [r, cells] : changed) {
        const QString json = toJson(cells);
        ok = ok && row.bind(1, k).bind(2, r).bind(3, json).run() &&
             note(r, r < before ? &known[std::size_t(r)] : nullptr, &json);
    }
    if (count != before) {
        Statement rowCount(m_db, "INSERT OR REPLACE INTO grids(round, row_count) VALUES(?, ?)");
        Statement drop(m_db, "DELETE FROM grid_rows WHERE round = ? AND row >= ?");
        ok = ok && rowCount.bind(1, k).bind(2, count).run() && drop.bind(1, k).bind(2, count).run();
        for (int r = count; ok && r < before; ++r)
            ok = note(r, &known[std::size_t(r)], nullptr);
    }
    known.resize(std::size_t(count));
    for (auto& [r, cells] : changed)
        known[std::size_t(r)] = std::move(cells);
    m_extras.rowCounts[std::size_t(k)] = count;
    return ok && putPage();
}

bool CompetitionJournal::putLanes()
{
    Statement st(m_db, "INSERT OR REPLACE INTO lanes(lane, entries, selected, in_use) VALUES(?, ?, ?, ?)");
    bool ok = true;
    for (int lane = 1; ok && lane <= 3; ++lane) {
        const LaneSelector& sel = m_competition->lanes().selector(lane);
        ok = st.bind(1, lane)
                 .bind(2, QStringLiteral("[]"))
                 .bind(3, sel.index)
                 .bind(4, sel.inUse ? 1 : 0)
                 .run();
        m_extras.lanes[std::size_t(lane - 1)] = sel;
    }
    return ok && putPage();
}

bool CompetitionJournal::putCaptions()
{
    QStringList pages;
    for (CompetitionRound round : kAllRounds)
        pages.append(m_competition->tables().pageCaption(round));
    m_extras.pageCaptions = pages;
    m_extras.roundHeadings = m_competition->tables().roundHeadings();
    return setMeta(m_db, "page_captions", toJson(pages)) &&
           setMeta(m_db, "round_headings", toJson(m_extras.roundHeadings));
}

bool CompetitionJournal::putDocument()
{
    return setMeta(m_db, "protocol_file", m_extras.documentFile);
}

void CompetitionJournal::setDocumentFile(const QString& path)
{
    if (path == m_extras.documentFile)
        return;
    m_extras.documentFile = path;
    write([this] { return putDocument(); });
    amendDone();
    queueEndOfEvent();
}

bool CompetitionJournal::putPage()
{
    m_extras.page = m_competition->currentRound();
    return setMeta(m_db, "page", QString::number(roundIndex(m_competition->currentRound()))) &&
           setMeta(m_db, "options", optionsJson(m_competition->options()));
}

// Everything anew, as no step; the history goes on only when `keepSteps`.
bool CompetitionJournal::putAll(bool keepSteps)
{
    m_step.reset();
    m_rows = {};
    bool ok = exec("DELETE FROM grid_rows") && exec("DELETE FROM grids");
    if (keepSteps) {
        // steps set aside by a change that the crash left unfinished are gone
        ok = ok && exec("DELETE FROM undo_steps WHERE step < 0") &&
             exec("DELETE FROM undo_rows WHERE step < 0");
        Statement range(m_db, "SELECT MIN(step), MAX(step) FROM undo_steps");
        const bool any = range.next() && !range.isNull(0);
        m_oldest = any ? range.integer(0) : 1;
        m_newest = any ? range.integer(1) : 0;
        m_done = std::clamp(metaValue(m_db, "undo_done").toLongLong(), m_oldest - 1, m_newest);
    } else {
        m_done = m_newest = 0;
        m_oldest = 1;
        ok = ok && exec("DELETE FROM undo_steps") && exec("DELETE FROM undo_rows") &&
             setMeta(m_db, "undo_done", QStringLiteral("0"));
    }
    const bool outside = std::exchange(m_outsideSteps, true);
    ok = ok && putLanes() && putCaptions() && putDocument();
    for (CompetitionRound round : kAllRounds)
        ok = ok && putRows(round, 0, -1, true);
    m_outsideSteps = outside;
    m_doneAfter = m_extras;
    return ok;
}

// ---------------------------------------------------------------- undo and redo

bool CompetitionJournal::beginStep()
{
    if (m_step)
        return true;
    bool ok = true;
    if (m_newest > m_done) {
        // a change after undo: the steps to redo are set aside (as negative numbers) and go only
        // when the change turns out to change something
        Statement steps(m_db, "UPDATE undo_steps SET step = -step WHERE step > ?");
        Statement rows(m_db, "UPDATE undo_rows SET step = -step WHERE step > ?");
        ok = steps.bind(1, m_done).run() && rows.bind(1, m_done).run();
        m_asideNewest = m_newest;
    }
    const qint64 id = m_done + 1;
    if (id - m_oldest >= kStepsKept + kStepsKept / 4) { // the oldest go, some at a time
        m_oldest = id - kStepsKept + 1;
        Statement steps(m_db, "DELETE FROM undo_steps WHERE step < ?");
        Statement rows(m_db, "DELETE FROM undo_rows WHERE step < ?");
        ok = ok && steps.bind(1, m_oldest).run() && rows.bind(1, m_oldest).run();
    }
    m_oldest = std::min(m_oldest, id);
    // what the action changed besides rows before its first table change is part of the step
    const Extras before = m_nextBefore.value_or(m_extras);
    Statement step(m_db, "INSERT INTO undo_steps(step, label, before, after) VALUES(?, ?, ?, ?)");
    ok = ok &&
         step.bind(1, id)
             .bind(2, m_nextLabel)
             .bind(3, extrasJson(before, m_extras))
             .bind(4, extrasJson(m_extras, before))
             .run() &&
         setMeta(m_db, "undo_done", QString::number(id));
    m_step = Step{id, std::exchange(m_nextLabel, QString()), before, m_extras, false};
    m_nextBefore.reset();
    m_done = m_newest = id;
    if (!m_endQueued) {
        m_endQueued = true;
        QMetaObject::invokeMethod(this, &CompetitionJournal::endOfEvent, Qt::QueuedConnection);
    }
    Q_EMIT stepsChanged();
    return ok;
}

bool CompetitionJournal::putStepExtras()
{
    if (!m_step || m_outsideSteps || sameExtras(m_extras, m_step->written))
        return true;
    m_step->written = m_extras;
    Statement st(m_db, "UPDATE undo_steps SET before = ?, after = ? WHERE step = ?");
    return st.bind(1, extrasJson(m_step->before, m_extras))
        .bind(2, extrasJson(m_extras, m_step->before))
        .bind(3, m_step->id)
        .run();
}

void CompetitionJournal::actionStarted(const QString& label)
{
    if (m_replaying || m_outsideSteps)
        return;
    if (m_step && m_step->carried) {
        if (label != m_step->label)
            endStep(); // another action: the typing was a step of its own
        else
            m_step->carried = false; // the typing goes on, or is committed, in this event
    }
    if (!m_step && !m_nextBefore) {
        m_nextLabel = label;
        m_nextBefore = m_extras;
    }
    if (!m_endQueued) {
        m_endQueued = true;
        QMetaObject::invokeMethod(this, &CompetitionJournal::endOfEvent, Qt::QueuedConnection);
    }
}

// Control is back in the event loop: the action is over, unless a typed cell waits for its commit.
void CompetitionJournal::queueEndOfEvent()
{
    if (m_endQueued || m_replaying || !m_db)
        return;
    m_endQueued = true;
    QMetaObject::invokeMethod(this, &CompetitionJournal::endOfEvent, Qt::QueuedConnection);
}

// Control is back in the event loop: the action is over, unless a typed cell waits for its commit.
// What moved the page, the lanes or the protocol file without a step belongs to the step before.
void CompetitionJournal::endOfEvent()
{
    m_endQueued = false;
    m_nextLabel.clear();
    m_nextBefore.reset();
    if (m_step && m_competition && m_competition->editPending())
        m_step->carried = true;
    else
        endStep();
    amendDone();
}

// The state at this place of the history is the end of the step done and the start of the step
// to redo: a move of the page, the lanes or the file outside any step is written into both.
void CompetitionJournal::amendDone()
{
    if (m_step || m_nextBefore || m_replaying)
        return;
    if (m_db && (m_done > 0 || m_newest > 0) && !sameSides(m_extras, m_doneAfter)) {
        write([this] {
            const QJsonObject now = QJsonDocument::fromJson(extrasJson(m_extras, m_extras).toUtf8()).object();
            auto amend = [&](const char* read, const char* update, qint64 step) {
                Statement st(m_db, read);
                QJsonObject side;
                if (!st.bind(1, step).next())
                    return true; // dropped from the history
                side = QJsonDocument::fromJson(st.text(0).toUtf8()).object();
                for (auto it = now.begin(); it != now.end(); ++it)
                    side.insert(it.key(), it.value());
                Statement write(m_db, update);
                return write.bind(1, QString::fromUtf8(QJsonDocument(side).toJson(QJsonDocument::Compact)))
                    .bind(2, step)
                    .run();
            };
            return amend("SELECT after FROM undo_steps WHERE step = ?",
                         "UPDATE undo_steps SET after = ? WHERE step = ?", m_done) &&
                   amend("SELECT before FROM undo_steps WHERE step = ?",
                         "UPDATE undo_steps SET before = ? WHERE step = ?", m_done + 1);
        });
        m_doneAfter = m_extras;
    }
}

void CompetitionJournal::endStep()
{
    if (!m_step)
        return;
    const Step step = *std::exchange(m_step, std::nullopt);
    const qint64 aside = std::exchange(m_asideNewest, 0);
    // a step that in the end changed nothing (a penalty typed and taken back) is none, and the
    // steps to redo come back
    Statement changed(m_db, "SELECT 1 FROM undo_rows WHERE step = ? AND before IS NOT after LIMIT 1");
    if (!sameExtras(step.before, step.written) || changed.bind(1, step.id).next()) {
        if (aside)
            write([this] {
                return exec("DELETE FROM undo_steps WHERE step < 0") &&
                       exec("DELETE FROM undo_rows WHERE step < 0");
            });
        m_doneAfter = step.written;
        return;
    }
    write([this, &step, aside] {
        Statement steps(m_db, "DELETE FROM undo_steps WHERE step = ?");
        Statement rows(m_db, "DELETE FROM undo_rows WHERE step = ?");
        return steps.bind(1, step.id).run() && rows.bind(1, step.id).run() &&
               (!aside || (exec("UPDATE undo_steps SET step = -step WHERE step < 0") &&
                           exec("UPDATE undo_rows SET step = -step WHERE step < 0"))) &&
               setMeta(m_db, "undo_done", QString::number(step.id - 1));
    });
    m_done = step.id - 1;
    m_newest = aside ? aside : m_done;
    Q_EMIT stepsChanged();
}

void CompetitionJournal::changeOutsideSteps(const std::function<void()>& changes)
{
    endStep();
    m_nextBefore.reset();
    const bool outside = std::exchange(m_outsideSteps, true);
    changes();
    m_outsideSteps = outside;
}

QString CompetitionJournal::undoLabel() const
{
    if (!canUndo())
        return QString();
    Statement st(m_db, "SELECT label FROM undo_steps WHERE step = ?");
    return st.bind(1, m_done).next() ? st.text(0) : QString();
}

QString CompetitionJournal::redoLabel() const
{
    if (!canRedo())
        return QString();
    Statement st(m_db, "SELECT label FROM undo_steps WHERE step = ?");
    return st.bind(1, m_done + 1).next() ? st.text(0) : QString();
}

bool CompetitionJournal::undo()
{
    return canUndo() && applyStep(true);
}

bool CompetitionJournal::redo()
{
    return canRedo() && applyStep(false);
}

// Puts one side of a step into the competition: the row counts, the rows, the captions, the page
// and the lanes, written in one transaction with the new position in the history.
bool CompetitionJournal::applyStep(bool back)
{
    m_competition->abandonEdit();
    endStep();
    const qint64 id = back ? m_done : m_done + 1;
    QJsonObject extras;
    std::vector<std::tuple<int, int, QString>> rows;
    {
        Statement step(m_db, back ? "SELECT before FROM undo_steps WHERE step = ?"
                                  : "SELECT after FROM undo_steps WHERE step = ?");
        if (step.bind(1, id).next())
            extras = QJsonDocument::fromJson(step.text(0).toUtf8()).object();
        Statement st(m_db, back
                               ? "SELECT round, row, before FROM undo_rows WHERE step = ? AND before NOT NULL"
                               : "SELECT round, row, after FROM undo_rows WHERE step = ? AND after NOT NULL");
        st.bind(1, id);
        while (st.next())
            rows.emplace_back(int(st.integer(0)), int(st.integer(1)), st.text(2));
    }

    m_replaying = true;
    m_bodyFailed = false;
    bool ok = exec("BEGIN");
    ProtocolTables& tables = m_competition->tables();
    {
        const ProtocolTables::ChangeBatch batch(tables);
        const QJsonArray counts = extras.value(QLatin1String("rows")).toArray();
        for (int k = 0; k < kRoundCount && k < counts.size(); ++k)
            tables.grid(roundAt(k)).setRowCount(counts.at(k).toInt());
        for (const auto& [round, row, cells] : rows) {
            if (round >= 0 && round < kRoundCount)
                tables.grid(roundAt(round)).setRowCells(row, fromJson(cells));
        }
    }
    if (extras.contains(QLatin1String("pageCaptions"))) {
        const QStringList captions = stringList(extras.value(QLatin1String("pageCaptions")));
        for (int k = 0; k < kRoundCount && k < captions.size(); ++k)
            tables.setPageCaption(roundAt(k), captions.at(k));
    }
    if (extras.contains(QLatin1String("roundHeadings"))) {
        const QStringList headings = stringList(extras.value(QLatin1String("roundHeadings")));
        for (int col = 0; col < headings.size(); ++col)
            tables.setRoundHeading(col, headings.at(col));
    }
    std::optional<CompetitionRound> page;
    if (extras.contains(QLatin1String("page")))
        page = roundAt(std::clamp(extras.value(QLatin1String("page")).toInt(), 0, kRoundCount - 1));
    std::optional<std::array<LaneSelector, 3>> lanes;
    const QJsonArray lanesJson = extras.value(QLatin1String("lanes")).toArray();
    if (lanesJson.size() == 3) {
        // the lanes choose among the rows of the page they stand on
        const int teams = m_competition->grid(page.value_or(m_competition->currentRound())).dataRowCount();
        lanes.emplace();
        for (int lane = 0; lane < 3; ++lane) {
            const QJsonObject json = lanesJson.at(lane).toObject();
            LaneSelector& sel = (*lanes)[std::size_t(lane)];
            sel.inUse = json.value(QLatin1String("inUse")).toBool(true);
            sel.count = lane < 2 || sel.inUse ? teams : 0;
            sel.select(json.value(QLatin1String("selected")).toInt(-1));
            sel.enabled = sel.count > 0 && sel.inUse; // no heat runs while steps are undone
        }
    }
    m_competition->returnTo(page, lanes);
    if (extras.contains(QLatin1String("file"))) {
        m_extras.documentFile = extras.value(QLatin1String("file")).toString();
        m_bodyFailed = m_bodyFailed || !putDocument();
        Q_EMIT documentFileRestored(m_extras.documentFile);
    }
    m_done = back ? id - 1 : id;
    ok = ok && !m_bodyFailed && setMeta(m_db, "undo_done", QString::number(m_done)) && exec("COMMIT");
    m_replaying = false;
    m_doneAfter = m_extras;
    if (!ok) {
        m_error = writeError(m_path, m_db);
        exec("ROLLBACK");
        m_stale = true;
        dropSteps();
        Q_EMIT writeFailed(m_error);
        return false;
    }
    Q_EMIT stepsChanged();
    return true;
}

} // namespace brv
