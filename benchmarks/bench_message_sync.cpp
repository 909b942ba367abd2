// What a Messages sync costs as the database grows, and how long a new message takes from the
// writer's commit to its published entry.
//
// Sync cost: databases of 1,000 and 1,000,000 messages with the real schema; one sync that
// finds 1 new row and one that finds 100. The reader asks for the rows above its watermark by
// ROWID, so both sizes should cost the same.
//
// Latency: a writer in another process commits a message with a code; the time from its
// commit to the entry being published is the 0.3 s quiet time of the watch plus our overhead.
// Reported as the median and the worst of 20 arrivals, and as the overhead beyond 0.3 s.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ArrivalLatency.h"
#include "ScratchHomes.h"
#include "parser/SimpleOTPParser.h"
#include "sources/imessage/MessageManager.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace {

namespace bench = nabbit::bench;

using nabbit::MessageManager;
using nabbit::simulate::ChatDatabaseWriter;

const std::vector<std::string> kTexts = {
    "Your verification code is 482913. Don't share it with anyone.",
    "See you at 7 at the usual place",
    "[Acme] 123 456 is your login code.",
    "Your order has shipped and arrives tomorrow",
};

void useHome(const std::filesystem::path& home) {
    ::setenv("HOME", home.c_str(), 1);
}

// Fills a new Messages database with `count` messages in one transaction.
void fill(const std::filesystem::path& home, std::int64_t count) {
    auto writer = ChatDatabaseWriter::open((home / "Library/Messages/chat.db").string(), true);
    if (!writer) {
        std::abort();
    }
    auto& db = writer->connection();
    (void)db.exec("BEGIN; INSERT INTO handle (id, service) VALUES ('+15555550100', 'SMS');");
    nabbit::simulate::SqliteStatement insert(
        db.handle(),
        "INSERT INTO message (guid, text, handle_id, service, date, is_finished) "
        "VALUES (?, ?, 1, 'SMS', ?, 1)");
    for (std::int64_t i = 0; i < count; ++i) {
        insert.bind(1, "BENCH-" + std::to_string(i));
        insert.bind(2, kTexts[static_cast<std::size_t>(i) % kTexts.size()]);
        insert.bind(3, i);
        sqlite3_step(insert.get());
        sqlite3_reset(insert.get());
    }
    (void)db.exec("COMMIT");
}

bench::ScratchHomes& homes() {
    static bench::ScratchHomes scratch("nabbit-bench-", fill);
    return scratch;
}

void BM_Sync(benchmark::State& state) {
    const auto size = state.range(0);
    const auto newRows = state.range(1);
    const auto& home = homes().forSize(size);
    useHome(home);
    auto writer = ChatDatabaseWriter::open((home / "Library/Messages/chat.db").string(), false);
    auto parser = std::make_shared<const nabbit::SimpleOTPParser>();
    MessageManager manager(
        parser, [] { return true; }, [](const std::string&) {});
    manager.initializeLastProcessedRowId();
    std::size_t counter = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (std::int64_t i = 0; i < newRows; ++i) {
            nabbit::simulate::SimulatedMessage message;
            message.text = kTexts[counter++ % kTexts.size()];
            message.body = nabbit::simulate::SimulatedMessage::Body::text;
            (void)writer->insert(message);
        }
        state.ResumeTiming();
        manager.syncMessages();
    }
    state.counters["rows_in_db"] = static_cast<double>(size);
    state.counters["new_rows"] = static_cast<double>(newRows);
}
BENCHMARK(BM_Sync)
    ->ArgsProduct({{1'000, 1'000'000}, {1, 100}})
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200);

void BM_ArrivalToPublished(benchmark::State& state) {
    const auto home = homes().make("latency");
    const auto path = home / "Library/Messages/chat.db";
    (void)ChatDatabaseWriter::open(path.string(), true);
    useHome(home);

    std::optional<ChatDatabaseWriter> connection;
    nabbit::bench::WriterProcess writer([&] {
        if (!connection) {
            connection.emplace(std::move(*ChatDatabaseWriter::open(path.string(), false)));
        }
        nabbit::simulate::SimulatedMessage message;
        message.text = "Your verification code is 482913";
        (void)connection->insert(message);
    });

    auto parser = std::make_shared<const nabbit::SimpleOTPParser>();
    MessageManager manager(
        parser, [] { return true; }, [](const std::string&) {});
    manager.initializeLastProcessedRowId();
    manager.syncMessages();
    manager.startWALMonitoring();

    std::vector<double> latencies;
    for (auto _ : state) {
        const auto seconds =
            nabbit::bench::measureArrival(writer, manager.messages(), std::chrono::seconds(5));
        if (!seconds) {
            state.SkipWithError("no entry published within 5 s");
            break;
        }
        latencies.push_back(*seconds);
        state.SetIterationTime(*seconds);
        nabbit::bench::quietSpell(std::chrono::milliseconds(600));
    }
    nabbit::bench::reportLatencies(state, latencies, 0.3);
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_ArrivalToPublished)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
