#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

// The service's history of every watched server, in an SQLite file in WAL mode: one row
// per refresh and server, thinned to one per five minutes once older than two days, and
// dropped once older than the days kept. Used from one thread at a time. Errors are
// values: false or an empty optional, with a message in the error argument.
namespace lindrel::stats {

struct Sample {
    int server = 0;
    std::int64_t time = 0; // wall-clock seconds; one row per server and second
    bool up = false;
    int players = 0;
    std::string map;
};

// Small texts the service keeps across restarts, by key (a live message's id).
using KeptTexts = std::unordered_map<std::string, std::string>;
inline constexpr int kMaxKeptBytes = 256;

inline constexpr std::int64_t kThinAfterSeconds = std::int64_t{48} * 3600;
inline constexpr std::int64_t kThinnedStepSeconds = 300;

class HistoryStore {
public:
    // Opens the file, creating it and its tables when they are missing.
    static std::unique_ptr<HistoryStore> Open(const std::string& path, std::string& error);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Stores a refresh's rows in one transaction; a second row for the same server and
    // second replaces the first.
    bool Write(const std::vector<Sample>& rows, std::string& error);
    // Thins the rows older than kThinAfterSeconds before now and drops those older than
    // keep. Only the rows not thinned by an earlier call are looked at again.
    bool Maintain(std::int64_t now, std::chrono::seconds keep, std::string& error);
    // One server's rows in [from, to), oldest first, at most maxPoints: a window holding
    // more gives the first row of each of maxPoints equal steps.
    std::optional<std::vector<Sample>> Read(int server, std::int64_t from, std::int64_t to,
                                            std::size_t maxPoints, std::string& error);
    // Every row in [from, to), by server and then time, each handed to `each`.
    bool Scan(std::int64_t from, std::int64_t to, const std::function<void(const Sample&)>& each,
              std::string& error);
    // Keeps value under key, replacing what was kept there.
    bool Keep(const std::string& key, const std::string& value, std::string& error);
    // What is kept: at most limit texts, a key or value over kMaxKeptBytes left out.
    std::optional<KeptTexts> Kept(std::size_t limit, std::string& error);
    // The file's size in bytes, as its pages count it.
    std::int64_t SizeBytes();

private:
    explicit HistoryStore(sqlite3* db) : db_(db) {}
    bool Exec(const char* sql, std::string& error);

    sqlite3* db_;
};

} // namespace lindrel::stats
