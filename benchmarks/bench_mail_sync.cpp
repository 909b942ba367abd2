// What a Mail sync costs as the mailbox grows, and how long a mailed code takes to publish.
//
// Sync cost: envelope databases of 1,000 and 200,000 envelopes with the real schema; a sync
// that finds nothing is one indexed query on the open connection, so both should cost the same.
//
// Latency: a writer in another process commits an envelope after a quiet spell; with the WAL
// file present the watch syncs at once, so the entry should be published within 50 ms of the
// commit. A database written in rollback-journal mode has no WAL file to watch; the 10 s poll
// is the safety net there (the folder watch usually notices the change sooner).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ArrivalLatency.h"
#include "ScratchHomes.h"
#include "parser/SimpleOTPParser.h"
#include "sources/mail/EmailManager.h"
#include "tools/nabbit-simulate/EnvelopeIndexWriter.h"

namespace {

namespace bench = nabbit::bench;

using nabbit::EmailManager;
using nabbit::simulate::EnvelopeIndexWriter;
using nabbit::simulate::SimulatedMail;

std::filesystem::path indexOf(const std::filesystem::path& home) {
    return home / "Library/Mail/V10/MailData/Envelope Index";
}

// Fills a new envelope database with `count` envelopes in one transaction.
void fill(const std::filesystem::path& home, std::int64_t count) {
    auto writer = EnvelopeIndexWriter::open(indexOf(home).string(), true);
    if (!writer) {
        std::abort();
    }
    auto& db = writer->connection();
    (void)db.exec(
        "BEGIN;"
        "INSERT INTO mailboxes (url) VALUES ('imap://inbox');"
        "INSERT INTO addresses (address, comment) VALUES ('news@example.com', '');");
    nabbit::simulate::SqliteStatement subject(db.handle(),
                                              "INSERT INTO subjects (subject) VALUES (?)");
    nabbit::simulate::SqliteStatement summary(db.handle(),
                                              "INSERT INTO summaries (summary) VALUES (?)");
    nabbit::simulate::SqliteStatement message(
        db.handle(),
        "INSERT INTO messages (global_message_id, sender, subject, summary, mailbox) "
        "VALUES (?, 1, ?, ?, 1)");
    for (std::int64_t i = 1; i <= count; ++i) {
        subject.bind(1, "Weekly newsletter number " + std::to_string(i));
        sqlite3_step(subject.get());
        sqlite3_reset(subject.get());
        summary.bind(1, "All the news of week " + std::to_string(i) + ", in one mail.");
        sqlite3_step(summary.get());
        sqlite3_reset(summary.get());
        message.bind(1, i);
        message.bind(2, i);
        message.bind(3, i);
        sqlite3_step(message.get());
        sqlite3_reset(message.get());
    }
    (void)db.exec("COMMIT");
}

bench::ScratchHomes& homes() {
    static bench::ScratchHomes scratch("nabbit-bench-mail-", fill);
    return scratch;
}

void BM_MailSyncFindsNothing(benchmark::State& state) {
    const auto size = state.range(0);
    ::setenv("HOME", homes().forSize(size).c_str(), 1);
    auto parser = std::make_shared<const nabbit::SimpleOTPParser>();
    EmailManager manager(parser, [] { return true; });
    manager.start();
    for (auto _ : state) {
        manager.syncMessages();
    }
    manager.stop();
    state.counters["envelopes"] = static_cast<double>(size);
}
BENCHMARK(BM_MailSyncFindsNothing)->Arg(1'000)->Arg(200'000)->Unit(benchmark::kMicrosecond);

// journalMode: "WAL" (as Mail writes) or "DELETE" (no WAL file at all).
void measureMailArrivals(benchmark::State& state, const std::string& journalMode,
                         std::chrono::milliseconds quiet, double expectedWait) {
    const auto home = homes().make("latency-" + journalMode);
    fill(home, 10);
    const auto path = indexOf(home);
    if (journalMode != "WAL") {
        std::filesystem::remove(path.string() + "-wal");
        std::filesystem::remove(path.string() + "-shm");
    }
    ::setenv("HOME", home.c_str(), 1);

    std::optional<EnvelopeIndexWriter> connection;
    nabbit::bench::WriterProcess writer([&] {
        if (!connection) {
            connection.emplace(std::move(*EnvelopeIndexWriter::open(path.string(), false)));
            if (journalMode != "WAL") {
                (void)connection->connection().exec("PRAGMA journal_mode=" + journalMode);
            }
        }
        static int counter = 0;
        (void)connection->insert(SimulatedMail{
            "Your Acme verification code",
            "Use " + std::to_string(482913 + ++counter) + " to sign in.", "security@acme.example"});
    });

    auto parser = std::make_shared<const nabbit::SimpleOTPParser>();
    EmailManager manager(parser, [] { return true; });
    manager.start();

    std::vector<double> latencies;
    for (auto _ : state) {
        nabbit::bench::quietSpell(quiet);
        const auto seconds =
            nabbit::bench::measureArrival(writer, manager.messages(), std::chrono::seconds(12));
        if (!seconds) {
            state.SkipWithError("no entry published within 12 s");
            break;
        }
        latencies.push_back(*seconds);
        state.SetIterationTime(*seconds);
    }
    manager.stop();
    nabbit::bench::reportLatencies(state, latencies, expectedWait);
    std::filesystem::remove_all(home);
}

// The quiet spell runs from the previous arrival's last sync: the changes that trail a commit
// start one coalesced sync 0.3 s after the first, and a mail inside that window waits for it.
void BM_MailArrivalWithWal(benchmark::State& state) {
    measureMailArrivals(state, "WAL", std::chrono::milliseconds(1000), 0.0);
}
BENCHMARK(BM_MailArrivalWithWal)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MailArrivalWithoutWal(benchmark::State& state) {
    measureMailArrivals(state, "DELETE", std::chrono::milliseconds(1000), 0.0);
}
BENCHMARK(BM_MailArrivalWithoutWal)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
