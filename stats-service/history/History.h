#pragma once

#include "asio/Asio.h"
#include "history/HistoryStore.h"
#include "history/Trends.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The history file's own thread: the poller hands it each refresh's rows and goes on at
// once; the file is written, thinned and read there. Errors are values: Open returns false
// with a reason; a read that cannot be made, or finds the queue full, gives an empty
// optional. A write that fails is counted in writeErrors and its rows are lost.
namespace lindrel::stats {

class History {
public:
    // Rows waiting beyond this many refreshes are dropped, oldest first.
    static constexpr std::size_t kMaxQueuedWrites = 64;
    static constexpr std::size_t kMaxQueuedReads = 32;
    static constexpr std::chrono::minutes kMaintainEvery{60};

    History(asio::io_context& io, std::string path, std::chrono::seconds keep);
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Opens the file, reads what is kept in it, and starts the thread, which thins the
    // file first.
    bool Open(std::string& error);
    // What the file kept when it was opened, at most kMaxKept texts.
    static constexpr std::size_t kMaxKept = 256;
    const KeptTexts& keptAtOpen() const { return keptAtOpen_; }
    // Queues a text to keep; never waits for the file.
    void Keep(std::string key, std::string value);
    // Writes what is queued and ends the thread.
    void Stop();

    // Queues a refresh's rows; never waits for the file.
    void Record(std::vector<Sample> rows);
    // One server's rows in [from, to), as HistoryStore::Read gives them.
    awaitable<std::optional<std::vector<Sample>>> Read(int server, std::int64_t from,
                                                       std::int64_t to, std::size_t maxPoints);
    // Reads the figures of the 30 days before `before` and hands them to done on the
    // io_context's thread.
    void LoadTrends(std::int64_t before, std::function<void(Trends)> done);

    std::uint64_t rowsWritten() const { return rowsWritten_; }
    std::uint64_t rowsDropped() const { return rowsDropped_; }
    std::uint64_t writeErrors() const { return writeErrors_; }
    std::int64_t fileBytes() const { return fileBytes_; }

private:
    using Job = std::function<void(HistoryStore&)>;
    enum class Kind { Write, Read };
    struct Queued {
        Kind kind;
        std::size_t rows;
        Job job;
    };

    bool Push(Kind kind, std::size_t rows, Job job);
    void Run();
    void Maintain(HistoryStore& store);
    void Report(const std::string& error);

    asio::io_context& io_;
    std::string path_;
    std::chrono::seconds keep_;
    std::unique_ptr<HistoryStore> store_;
    KeptTexts keptAtOpen_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Queued> queue_;
    std::size_t queuedWrites_ = 0;
    std::size_t queuedReads_ = 0;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point nextMaintain_{};
    std::atomic<std::uint64_t> rowsWritten_{0};
    std::atomic<std::uint64_t> rowsDropped_{0};
    std::atomic<std::uint64_t> writeErrors_{0};
    std::atomic<std::int64_t> fileBytes_{0};
    std::thread thread_;
};

} // namespace lindrel::stats
