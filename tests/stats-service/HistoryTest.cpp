// The history file and the trends drawn from it: what is stored comes back, old rows are
// thinned and dropped on time, a hostile or foreign file is refused, and the uptime
// weighs each row by the time it stands for.
#include "history/History.h"

#include "history/HistoryStore.h"
#include "history/Trends.h"
#include "support/TempDir.h"
#include "watch/Registry.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace lindrel::stats {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kNow = 1'800'000'000; // a multiple of 300
constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 86'400;

std::unique_ptr<HistoryStore> OpenStore(const lindrel::test::TempDir& dir) {
    std::string error;
    auto store = HistoryStore::Open((dir / "history").string(), error);
    EXPECT_TRUE(store) << error;
    return store;
}

// Rows of one server every `step` seconds in [from, to).
std::vector<Sample> Rows(int server, std::int64_t from, std::int64_t to, std::int64_t step) {
    std::vector<Sample> rows;
    for (std::int64_t t = from; t < to; t += step) {
        rows.push_back(
            {server, t, t % 7 != 0, static_cast<int>(t % 5), "q3dm" + std::to_string(t % 3)});
    }
    return rows;
}

std::size_t Count(HistoryStore& store, int server, std::int64_t from, std::int64_t to) {
    std::string error;
    const auto rows = store.Read(server, from, to, 1'000'000, error);
    EXPECT_TRUE(rows) << error;
    return rows ? rows->size() : 0;
}

TEST(HistoryStore, GivesBackWhatWasStoredPerServerInTimeOrder) {
    lindrel::test::TempDir dir;
    {
        auto store = OpenStore(dir);
        std::string error;
        ASSERT_TRUE(store->Write(Rows(7, kNow - 100, kNow, 10), error)) << error;
        ASSERT_TRUE(store->Write(Rows(8, kNow - 100, kNow, 10), error)) << error;
        // The same server and second again: the later row wins.
        ASSERT_TRUE(store->Write({{7, kNow - 100, true, 42, "again"}}, error)) << error;
    }
    auto store = OpenStore(dir); // and it survives closing
    std::string error;
    const auto rows = store->Read(7, kNow - 100, kNow, 100, error);
    ASSERT_TRUE(rows) << error;
    ASSERT_EQ(rows->size(), 10u);
    EXPECT_EQ(rows->front().players, 42);
    EXPECT_EQ(rows->front().map, "again");
    EXPECT_EQ(rows->back().time, kNow - 10);
    EXPECT_EQ(rows->back().map, Rows(7, kNow - 10, kNow, 10).front().map);
    EXPECT_EQ(rows->back().up, Rows(7, kNow - 10, kNow, 10).front().up);
    EXPECT_TRUE(
        std::all_of(rows->begin(), rows->end(), [](const Sample& s) { return s.server == 7; }));
}

TEST(HistoryStore, AReadOfALongWindowIsThinnedToEvenSteps) {
    lindrel::test::TempDir dir;
    auto store = OpenStore(dir);
    std::string error;
    ASSERT_TRUE(store->Write(Rows(7, kNow - 24 * kHour, kNow, 10), error)) << error;
    const auto rows = store->Read(7, kNow - 24 * kHour, kNow, 2880, error);
    ASSERT_TRUE(rows) << error;
    EXPECT_EQ(rows->size(), 2880u);
    for (std::size_t i = 1; i < rows->size(); ++i) {
        ASSERT_EQ((*rows)[i].time - (*rows)[i - 1].time, 30);
    }
}

TEST(HistoryStore, RowsOlderThanTwoDaysAreThinnedToOnePerFiveMinutesThenDropped) {
    lindrel::test::TempDir dir;
    auto store = OpenStore(dir);
    std::string error;
    // Four days of a row every 10 s, for two servers.
    for (const int server : {7, 8}) {
        ASSERT_TRUE(store->Write(Rows(server, kNow - 96 * kHour, kNow, 10), error)) << error;
    }
    ASSERT_TRUE(store->Maintain(kNow, std::chrono::hours(72), error)) << error;
    for (const int server : {7, 8}) {
        EXPECT_EQ(Count(*store, server, 0, kNow - 72 * kHour), 0u) << "past the days kept";
        EXPECT_EQ(Count(*store, server, kNow - 72 * kHour, kNow - 48 * kHour), 24u * 12)
            << "one per five minutes";
        EXPECT_EQ(Count(*store, server, kNow - 48 * kHour, kNow), 48u * 360) << "left dense";
    }
    // An hour later, only the hour that has just passed two days is thinned.
    ASSERT_TRUE(store->Maintain(kNow + kHour, std::chrono::hours(72), error)) << error;
    EXPECT_EQ(Count(*store, 7, kNow - 48 * kHour, kNow - 47 * kHour), 12u);
    EXPECT_EQ(Count(*store, 7, kNow - 47 * kHour, kNow), 47u * 360);
}

TEST(HistoryStore, RefusesAFileThatIsNotOneOfItsOwn) {
    lindrel::test::TempDir dir;
    std::string error;
    std::ofstream(dir / "junk") << std::string(8192, 'x');
    EXPECT_FALSE(HistoryStore::Open((dir / "junk").string(), error));
    EXPECT_NE(error.find("junk"), std::string::npos) << error;

    // A later version's file: its schema number is higher.
    OpenStore(dir);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "history").string().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    error.clear();
    EXPECT_FALSE(HistoryStore::Open((dir / "history").string(), error));
    EXPECT_NE(error.find("another version"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(HistoryStore::Open((dir / "missing-folder" / "history").string(), error));
    EXPECT_FALSE(error.empty());
}

TEST(History, WritesOnItsOwnThreadAndReadsBackOnTheCallersThread) {
    lindrel::test::TempDir dir;
    asio::io_context io;
    History history(io, (dir / "history").string(), std::chrono::hours(std::int64_t{24} * 90));
    std::string error;
    ASSERT_TRUE(history.Open(error)) << error;
    const auto now = WallSeconds();
    history.Record(Rows(7, now - 60, now, 10));
    std::optional<std::vector<Sample>> rows;
    asio::co_spawn(
        io,
        [&]() -> awaitable<void> { rows = co_await history.Read(7, now - kHour, now + 1, 10'000); },
        asio::detached);
    io.run();
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->size(), 6u) << "the read waits behind the write queued before it";
    EXPECT_EQ(history.rowsWritten(), 6u);

    // At start, the last 30 days come back as trends.
    Trends loaded;
    io.restart();
    history.LoadTrends(now + 1, [&](Trends trends) { loaded = std::move(trends); });
    io.run();
    EXPECT_TRUE(loaded.Uptime24h(7, now));
    history.Stop();
    history.Record(Rows(7, now, now + 10, 10));
    EXPECT_EQ(history.rowsDropped(), 1u) << "after Stop nothing is queued";
}

TEST(Trends, UptimeWeighsEachRowByTheTimeItStandsFor) {
    Trends trends;
    // Thinned rows five minutes apart, up, for 20 hours; then an hour of rows 10 s apart,
    // down. Counted by rows the hour would outweigh the day; by time it is 1 in 21.
    std::int64_t t = kNow - 21 * kHour;
    for (; t < kNow - kHour; t += 300) {
        trends.Add(7, t, true, 3);
    }
    for (; t < kNow; t += 10) {
        trends.Add(7, t, false, 0);
    }
    const auto day = trends.Uptime24h(7, kNow - 1);
    ASSERT_TRUE(day);
    EXPECT_NEAR(*day, 20.0 / 21.0, 0.01);
    EXPECT_FALSE(trends.Uptime24h(8, kNow)) << "nothing known of another server";

    const auto chart = trends.Chart(7, kNow - 1);
    ASSERT_EQ(chart.size(), Trends::kChartSlots);
    EXPECT_EQ(chart.back(), -1) << "down in the last five minutes";
    EXPECT_EQ(chart[Trends::kChartSlots - 24], 3);
    EXPECT_EQ(chart.front(), -1) << "nothing known 24 hours ago";
}

TEST(Trends, AGapLeavesNoOldFiguresInTheRings) {
    Trends trends;
    // Up with 5 players for a day, silent for 36 hours, then down for ten minutes: the
    // entries that held the old day are empty again, not read as the new one's.
    for (std::int64_t t = kNow - 3 * kDay; t < kNow - 2 * kDay; t += 60) {
        trends.Add(7, t, true, 5);
    }
    for (std::int64_t t = kNow - 600; t < kNow; t += 10) {
        trends.Add(7, t, false, 0);
    }
    const auto chart = trends.Chart(7, kNow - 1);
    EXPECT_TRUE(std::all_of(chart.begin(), chart.end(), [](int point) { return point == -1; }));
    EXPECT_EQ(*trends.Uptime24h(7, kNow - 1), 0.0);
    EXPECT_NEAR(*trends.Uptime30d(7, kNow - 1), 1.0, 0.02) << "the old day still counts there";
    // A sample older than the 24 hours changes no chart point.
    trends.Add(7, kNow - 2 * kDay, true, 9);
    EXPECT_EQ(trends.Chart(7, kNow - 1), chart);
}

TEST(Trends, EarlierFiguresMergeWithLaterOnes) {
    Trends earlier;
    Trends later;
    for (std::int64_t t = kNow - 10 * kDay; t < kNow - kDay; t += 300) {
        earlier.Add(7, t, (t / 300) % 2 == 0, 1);
    }
    for (std::int64_t t = kNow - 3600; t < kNow; t += 10) {
        later.Add(7, t, true, 9);
    }
    later.Merge(earlier);
    const auto month = later.Uptime30d(7, kNow - 1);
    ASSERT_TRUE(month);
    EXPECT_GT(*month, 0.5);
    EXPECT_LT(*month, 0.6);
    EXPECT_EQ(later.Chart(7, kNow - 1).back(), 9);
}

} // namespace
} // namespace lindrel::stats
