#include "history/HistoryStore.h"

#include <algorithm>
#include <sqlite3.h>

namespace lindrel::stats {

namespace {

constexpr int kSchemaVersion = 1;
// A file changed by hand or broken cannot make the service hold large texts or wait long.
constexpr int kMaxTextBytes = 1 << 16;
constexpr std::size_t kMaxMapBytes = 64;
constexpr int kBusyTimeoutMs = 2'000;

// A prepared statement, finalized however the scope ends.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, std::string& error) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(db);
            statement_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return statement_ != nullptr; }
    sqlite3_stmt* get() const { return statement_; }
    void Bind(int index, std::int64_t value) { sqlite3_bind_int64(statement_, index, value); }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_STATIC);
    }
    // SQLITE_ROW, SQLITE_DONE or an error code; the error text goes to error.
    int Step(std::string& error) {
        const int result = sqlite3_step(statement_);
        if (result != SQLITE_ROW && result != SQLITE_DONE) {
            error = sqlite3_errmsg(sqlite3_db_handle(statement_));
        }
        return result;
    }
    void Reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

Sample RowOf(sqlite3_stmt* row, int server) {
    Sample sample;
    sample.server = server;
    sample.time = sqlite3_column_int64(row, 0);
    sample.up = sqlite3_column_int64(row, 1) != 0;
    sample.players =
        static_cast<int>(std::clamp<std::int64_t>(sqlite3_column_int64(row, 2), 0, 65535));
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, 3));
    const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(row, 3));
    if (text != nullptr) {
        sample.map.assign(text, std::min(bytes, kMaxMapBytes));
    }
    return sample;
}

} // namespace

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& path, std::string& error) {
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<HistoryStore> store(new HistoryStore(db));
    if (opened != SQLITE_OK) {
        error = path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "cannot open");
        return nullptr;
    }
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxTextBytes);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // WAL: readers (a backup, an admin's sqlite3) never stop the writer, nor it them.
    const bool ready =
        store->Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", error) &&
        store->Exec("CREATE TABLE IF NOT EXISTS samples(server INTEGER NOT NULL, "
                    "time INTEGER NOT NULL, up INTEGER NOT NULL, players INTEGER NOT NULL, "
                    "map TEXT NOT NULL, PRIMARY KEY(server, time)) WITHOUT ROWID;"
                    "CREATE TABLE IF NOT EXISTS marks(name TEXT PRIMARY KEY, "
                    "value INTEGER NOT NULL) WITHOUT ROWID;"
                    "CREATE TABLE IF NOT EXISTS kept(key TEXT PRIMARY KEY, "
                    "value TEXT NOT NULL) WITHOUT ROWID;",
                    error);
    if (!ready) {
        error = path + ": " + error;
        return nullptr;
    }
    Statement version(db, "PRAGMA user_version", error);
    if (!version || version.Step(error) != SQLITE_ROW) {
        error = path + ": " + error;
        return nullptr;
    }
    const auto found = sqlite3_column_int64(version.get(), 0);
    if (found != 0 && found != kSchemaVersion) {
        error = path + ": written by another version of the service (schema " +
                std::to_string(found) + ")";
        return nullptr;
    }
    if (found == 0 &&
        !store->Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), error)) {
        error = path + ": " + error;
        return nullptr;
    }
    return store;
}

HistoryStore::~HistoryStore() {
    sqlite3_close(db_);
}

bool HistoryStore::Exec(const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error = message != nullptr ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool HistoryStore::Write(const std::vector<Sample>& rows, std::string& error) {
    Statement insert(db_, "INSERT OR REPLACE INTO samples VALUES (?, ?, ?, ?, ?)", error);
    if (!insert || !Exec("BEGIN", error)) {
        return false;
    }
    for (const Sample& row : rows) {
        insert.Bind(1, row.server);
        insert.Bind(2, row.time);
        insert.Bind(3, row.up ? 1 : 0);
        insert.Bind(4, row.players);
        insert.Bind(5, row.map);
        if (insert.Step(error) != SQLITE_DONE) {
            std::string ignored;
            Exec("ROLLBACK", ignored);
            return false;
        }
        insert.Reset();
    }
    return Exec("COMMIT", error);
}

bool HistoryStore::Maintain(std::int64_t now, std::chrono::seconds keep, std::string& error) {
    Statement mark(db_, "SELECT value FROM marks WHERE name = 'thinned_to'", error);
    if (!mark) {
        return false;
    }
    const int found = mark.Step(error);
    if (found != SQLITE_ROW && found != SQLITE_DONE) {
        return false;
    }
    const std::int64_t from = found == SQLITE_ROW ? sqlite3_column_int64(mark.get(), 0) : 0;
    const std::int64_t cut = (now - kThinAfterSeconds) / kThinnedStepSeconds * kThinnedStepSeconds;
    // A row goes when an earlier row of its server lies in the same five minutes.
    Statement thin(db_,
                   "DELETE FROM samples WHERE time >= ?1 AND time < ?2 AND EXISTS (SELECT 1 "
                   "FROM samples AS earlier WHERE earlier.server = samples.server AND "
                   "earlier.time < samples.time AND earlier.time >= samples.time - "
                   "samples.time % 300)",
                   error);
    Statement drop(db_, "DELETE FROM samples WHERE time < ?", error);
    Statement remember(db_, "INSERT OR REPLACE INTO marks VALUES ('thinned_to', ?)", error);
    if (!thin || !drop || !remember || !Exec("BEGIN", error)) {
        return false;
    }
    thin.Bind(1, std::min(from, cut));
    thin.Bind(2, cut);
    drop.Bind(1, now - keep.count());
    remember.Bind(1, std::max(from, cut));
    if (thin.Step(error) != SQLITE_DONE || drop.Step(error) != SQLITE_DONE ||
        remember.Step(error) != SQLITE_DONE) {
        std::string ignored;
        Exec("ROLLBACK", ignored);
        return false;
    }
    return Exec("COMMIT", error);
}

std::optional<std::vector<Sample>> HistoryStore::Read(int server, std::int64_t from,
                                                      std::int64_t to, std::size_t maxPoints,
                                                      std::string& error) {
    Statement select(db_,
                     "SELECT time, up, players, map FROM samples WHERE server = ? AND "
                     "time >= ? AND time < ? ORDER BY time",
                     error);
    if (!select || maxPoints == 0 || to <= from) {
        return select ? std::optional(std::vector<Sample>()) : std::nullopt;
    }
    select.Bind(1, server);
    select.Bind(2, from);
    select.Bind(3, to);
    const std::int64_t span = to - from;
    const auto points = static_cast<std::int64_t>(maxPoints);
    const std::int64_t step = std::max<std::int64_t>(1, (span + points - 1) / points);
    std::vector<Sample> rows;
    std::int64_t lastStep = -1;
    int result = SQLITE_ROW;
    while ((result = select.Step(error)) == SQLITE_ROW) {
        const std::int64_t time = sqlite3_column_int64(select.get(), 0);
        const std::int64_t at = (time - from) / step;
        if (at != lastStep && rows.size() < maxPoints) {
            lastStep = at;
            rows.push_back(RowOf(select.get(), server));
        }
    }
    if (result != SQLITE_DONE) {
        return std::nullopt;
    }
    return rows;
}

bool HistoryStore::Scan(std::int64_t from, std::int64_t to,
                        const std::function<void(const Sample&)>& each, std::string& error) {
    Statement select(db_,
                     "SELECT time, up, players, map, server FROM samples WHERE time >= ? AND "
                     "time < ? ORDER BY server, time",
                     error);
    if (!select) {
        return false;
    }
    select.Bind(1, from);
    select.Bind(2, to);
    int result = SQLITE_ROW;
    while ((result = select.Step(error)) == SQLITE_ROW) {
        const auto server = sqlite3_column_int64(select.get(), 4);
        if (server > 0 && server <= INT32_MAX) {
            each(RowOf(select.get(), static_cast<int>(server)));
        }
    }
    return result == SQLITE_DONE;
}

bool HistoryStore::Keep(const std::string& key, const std::string& value, std::string& error) {
    Statement insert(db_, "INSERT OR REPLACE INTO kept VALUES (?, ?)", error);
    if (!insert) {
        return false;
    }
    insert.Bind(1, key);
    insert.Bind(2, value);
    return insert.Step(error) == SQLITE_DONE;
}

std::optional<KeptTexts> HistoryStore::Kept(std::size_t limit, std::string& error) {
    Statement select(db_, "SELECT key, value FROM kept ORDER BY key", error);
    if (!select) {
        return std::nullopt;
    }
    KeptTexts kept;
    int result = SQLITE_ROW;
    while (kept.size() < limit && (result = select.Step(error)) == SQLITE_ROW) {
        const auto* key = reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0));
        const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 1));
        if (key != nullptr && value != nullptr &&
            sqlite3_column_bytes(select.get(), 0) <= kMaxKeptBytes &&
            sqlite3_column_bytes(select.get(), 1) <= kMaxKeptBytes) {
            kept.emplace(key, value);
        }
    }
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
        return std::nullopt;
    }
    return kept;
}

std::int64_t HistoryStore::SizeBytes() {
    std::string ignored;
    Statement count(db_, "PRAGMA page_count", ignored);
    Statement size(db_, "PRAGMA page_size", ignored);
    if (!count || !size || count.Step(ignored) != SQLITE_ROW || size.Step(ignored) != SQLITE_ROW) {
        return 0;
    }
    return sqlite3_column_int64(count.get(), 0) * sqlite3_column_int64(size.get(), 0);
}

} // namespace lindrel::stats
