#include "history/History.h"

#include "platform/Platform.h"

#include <iostream>

namespace lindrel::stats {

namespace {

constexpr std::int64_t kTrendSeconds = std::int64_t{30} * 86'400;

std::int64_t WallSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

History::History(asio::io_context& io, std::string path, std::chrono::seconds keep)
    : io_(io), path_(std::move(path)), keep_(keep) {}

History::~History() {
    Stop();
}

bool History::Open(std::string& error) {
    store_ = HistoryStore::Open(path_, error);
    if (!store_) {
        return false;
    }
    auto kept = store_->Kept(kMaxKept, error);
    if (!kept) {
        store_.reset();
        return false;
    }
    keptAtOpen_ = std::move(*kept);
    fileBytes_ = store_->SizeBytes();
    thread_ = std::thread([this] { Run(); });
    return true;
}

void History::Stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool History::Push(Kind kind, std::size_t rows, Job job) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_ || !store_) {
            return false;
        }
        if (kind == Kind::Read && queuedReads_ >= kMaxQueuedReads) {
            return false;
        }
        if (kind == Kind::Write && queuedWrites_ >= kMaxQueuedWrites) {
            // The file is far behind: the oldest refresh waiting makes room.
            for (auto it = queue_.begin(); it != queue_.end(); ++it) {
                if (it->kind == Kind::Write) {
                    rowsDropped_ += it->rows;
                    queue_.erase(it);
                    --queuedWrites_;
                    break;
                }
            }
        }
        (kind == Kind::Write ? queuedWrites_ : queuedReads_) += 1;
        queue_.push_back({kind, rows, std::move(job)});
    }
    wake_.notify_one();
    return true;
}

void History::Record(std::vector<Sample> rows) {
    const std::size_t count = rows.size();
    auto shared = std::make_shared<std::vector<Sample>>(std::move(rows));
    const bool queued = Push(Kind::Write, count, [this, shared](HistoryStore& store) {
        std::string error;
        if (store.Write(*shared, error)) {
            rowsWritten_ += shared->size();
        } else {
            Report(error);
        }
    });
    if (!queued) {
        rowsDropped_ += count;
    }
}

void History::Keep(std::string key, std::string value) {
    Push(Kind::Write, 0,
         [this, key = std::move(key), value = std::move(value)](HistoryStore& store) {
             std::string error;
             if (!store.Keep(key, value, error)) {
                 Report(error);
             }
         });
}

awaitable<std::optional<std::vector<Sample>>>
History::Read(int server, std::int64_t from, std::int64_t to, std::size_t maxPoints) {
    using Rows = std::optional<std::vector<Sample>>;
    co_return co_await asio::async_initiate<const asio::use_awaitable_t<>&, void(Rows)>(
        [this, server, from, to, maxPoints](auto handler) {
            auto waiting = std::make_shared<decltype(handler)>(std::move(handler));
            // Keeps io_context::run going until the answer is back on its thread.
            auto work =
                std::make_shared<asio::executor_work_guard<asio::io_context::executor_type>>(
                    io_.get_executor());
            const bool queued = Push(Kind::Read, 0, [=, this](HistoryStore& store) {
                std::string error;
                Rows rows = store.Read(server, from, to, maxPoints, error);
                asio::post(io_, [waiting, work, rows = std::move(rows)]() mutable {
                    (*waiting)(std::move(rows));
                });
            });
            if (!queued) {
                asio::post(io_, [waiting]() mutable { (*waiting)(Rows()); });
            }
        },
        asio::use_awaitable);
}

void History::LoadTrends(std::int64_t before, std::function<void(Trends)> done) {
    auto work = std::make_shared<asio::executor_work_guard<asio::io_context::executor_type>>(
        io_.get_executor());
    Push(Kind::Read, 0, [this, before, done = std::move(done), work](HistoryStore& store) {
        auto trends = std::make_shared<Trends>();
        std::string error;
        const bool read = store.Scan(
            before - kTrendSeconds, before,
            [&](const Sample& row) { trends->Add(row.server, row.time, row.up, row.players); },
            error);
        if (!read) {
            Report(error);
            return;
        }
        asio::post(io_, [done, trends, work] { done(std::move(*trends)); });
    });
}

void History::Run() {
    platform::NameThisThread("history");
    for (;;) {
        Queued next;
        {
            std::unique_lock lock(mutex_);
            const auto due = nextMaintain_;
            wake_.wait_until(lock, due, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty() && stopping_) {
                return;
            }
            if (queue_.empty()) {
                lock.unlock();
                Maintain(*store_);
                continue;
            }
            next = std::move(queue_.front());
            queue_.pop_front();
            (next.kind == Kind::Write ? queuedWrites_ : queuedReads_) -= 1;
        }
        next.job(*store_);
        if (std::chrono::steady_clock::now() >= nextMaintain_) {
            Maintain(*store_);
        }
    }
}

void History::Maintain(HistoryStore& store) {
    nextMaintain_ = std::chrono::steady_clock::now() + kMaintainEvery;
    std::string error;
    if (!store.Maintain(WallSeconds(), keep_, error)) {
        Report(error);
    }
    fileBytes_ = store.SizeBytes();
}

void History::Report(const std::string& error) {
    // The first failure is told; the rest are counted, so a full disk does not flood the log.
    if (writeErrors_++ == 0) {
        std::cerr << "lindrel-stats: history " << path_ << ": " << error << std::endl;
    }
}

} // namespace lindrel::stats
