// Parser throughput on one core: messages parsed per second over the six-language part of the
// message corpus (tests/corpus/{en,fr,zh,es,de,pt}.jsonl, or a few typical texts when it is
// absent), over all of it (also on two threads sharing one parser, as nabbit-parse --jsonl
// does), and over each language's file; the keyword-less short path,
// parser construction and the first message, and the resident memory around a million
// parses. benchmarks/parse_process.sh measures whole nabbit-parse processes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "parser/SimpleOTPParser.h"

namespace {

using nabbit::SimpleOTPParser;

std::vector<std::string> builtInTexts() {
    return {
        "Your verification code is 482913",
        "G-482913 is your Google verification code.",
        "[Acme] 123 456 is your login code. Don't share it with anyone.",
        "Your Uber code: 4821. Never share this code. Reply STOP ASAP to 89203 to unsubscribe.",
        "Votre code de vérification est 739102. Il expire dans 10 minutes.",
        "【某某科技】您的验证码是582019，5分钟内有效，请勿泄露。",
        "Tu código de verificación es 557301",
        "Ihr Bestätigungscode lautet: 910562",
        "Seu código de acesso é 448201. Não compartilhe.",
        "Your order #88231 has shipped. Track it at https://example.com/t/88231",
        "Reminder: your appointment is on the 12th at 3 pm. Call 555-123-4567 to reschedule.",
        "Your code is 7391. Total $73910",
    };
}

const std::filesystem::path& corpusFolder() {
    static const std::filesystem::path dir =
        std::filesystem::path(NABBIT_SOURCE_DIR) / "tests" / "corpus";
    return dir;
}

// The corpus languages, from the file names, in name order.
std::vector<std::string> corpusLanguages() {
    std::vector<std::string> languages;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(corpusFolder(), ec)) {
        if (entry.path().extension() == ".jsonl") {
            languages.push_back(entry.path().stem().string());
        }
    }
    std::sort(languages.begin(), languages.end());
    return languages;
}

// Every "text" of the given languages' corpus files, in the order given.
std::vector<std::string> textsOf(const std::vector<std::string>& languages) {
    std::vector<std::string> out;
    for (const auto& language : languages) {
        std::ifstream in(corpusFolder() / (language + ".jsonl"));
        for (std::string line; std::getline(in, line);) {
            const auto json = nlohmann::json::parse(line, nullptr, false);
            if (json.is_object() && json.contains("text") && json["text"].is_string()) {
                out.push_back(json["text"].get<std::string>());
            }
        }
    }
    return out;
}

// The six languages the parser started with: the figure to compare across versions. The
// built-in texts when the corpus is absent.
const std::vector<std::string>& corpus() {
    static const std::vector<std::string> texts = [] {
        auto out = textsOf({"de", "en", "es", "fr", "pt", "zh"});
        return out.empty() ? builtInTexts() : out;
    }();
    return texts;
}

const SimpleOTPParser& shippedParser() {
    static const SimpleOTPParser parser;
    return parser;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Construction reads the shipped files and builds the keyword gate; patterns are compiled
// when a text first needs them. Runs first, while no other parser holds compiled patterns.
void BM_ConstructFirstParser(benchmark::State& state) {
    std::size_t patterns = 0;
    for (auto _ : state) {
        SimpleOTPParser parser;
        patterns = parser.languagePatterns().size();
    }
    state.counters["patterns"] = static_cast<double>(patterns);
}
BENCHMARK(BM_ConstructFirstParser)->Unit(benchmark::kMillisecond)->Iterations(3);

// What one nabbit-parse call does after the program has loaded, and what the app pays before
// its first code: a parser, then one message parsed, compiling what that message needs. Each
// parser starts cold, as nothing else holds its patterns (the service-name patterns, built
// once per process, are warm after the first round).
void BM_ConstructAndParseFirstMessage(benchmark::State& state) {
    std::size_t compiled = 0;
    for (auto _ : state) {
        SimpleOTPParser parser;
        benchmark::DoNotOptimize(parser.parse("Your verification code is 482913"));
        compiled = 0;
        for (const auto& pattern : parser.languagePatterns()) {
            compiled += pattern.isCompiled() ? 1 : 0;
        }
    }
    state.counters["patterns_compiled"] = static_cast<double>(compiled);
}
BENCHMARK(BM_ConstructAndParseFirstMessage)->Unit(benchmark::kMillisecond)->Iterations(5);

// A second parser from the same files while the first lives (the mail source's) shares the
// compiled patterns.
void BM_ConstructSecondParser(benchmark::State& state) {
    const auto& first = shippedParser();
    for (auto _ : state) {
        SimpleOTPParser parser;
        benchmark::DoNotOptimize(parser.languagePatterns().size());
    }
    state.counters["keywords"] = static_cast<double>(first.otpKeywords().size());
}
BENCHMARK(BM_ConstructSecondParser)->Unit(benchmark::kMillisecond);

void parseTexts(benchmark::State& state, const std::vector<std::string>& texts) {
    const auto& parser = shippedParser();
    // Threads start apart, as a run's workers are on different lines.
    std::size_t i = static_cast<std::size_t>(state.thread_index()) * texts.size() /
                    static_cast<std::size_t>(state.threads());
    std::size_t found = 0;
    for (auto _ : state) {
        auto result = parser.parse(texts[i]);
        found += result.has_value() ? 1 : 0;
        benchmark::DoNotOptimize(result);
        i = i + 1 == texts.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
    // Per thread, not summed over the threads.
    state.counters["texts"] =
        benchmark::Counter(static_cast<double>(texts.size()), benchmark::Counter::kAvgThreads);
    state.counters["found_share"] = benchmark::Counter(
        static_cast<double>(found) / static_cast<double>(std::max<int64_t>(state.iterations(), 1)),
        benchmark::Counter::kAvgThreads);
}

void BM_ParseCorpus(benchmark::State& state) {
    parseTexts(state, corpus());
}
BENCHMARK(BM_ParseCorpus);

void BM_ParseAllLanguages(benchmark::State& state) {
    static const auto texts = textsOf(corpusLanguages());
    if (texts.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    parseTexts(state, texts);
}
BENCHMARK(BM_ParseAllLanguages)->Threads(1)->Threads(2)->UseRealTime();

void BM_ParseBuiltInTexts(benchmark::State& state) {
    const auto& parser = shippedParser();
    static const auto texts = builtInTexts();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser.parse(texts[i]));
        i = i + 1 == texts.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseBuiltInTexts);

// The short path: no keyword in the text, so the parse ends at the gate.
void BM_ParseWithoutKeyword(benchmark::State& state) {
    const auto& parser = shippedParser();
    const std::string text = "Hey, are we still on for lunch tomorrow? Bring the blue folder.";
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser.parse(text));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseWithoutKeyword);

// Resident memory before and after a million parses; growth would show a leak or an
// unbounded cache.
void BM_MemoryOverMillionParses(benchmark::State& state) {
    const auto& parser = shippedParser();
    const auto& texts = corpus();
    for (const auto& text : texts) {
        benchmark::DoNotOptimize(parser.parse(text));
    }
    const long before = residentKilobytes();
    constexpr int kParses = 1'000'000;
    for (auto _ : state) {
        for (int n = 0; n < kParses; ++n) {
            benchmark::DoNotOptimize(
                parser.parse(texts[static_cast<std::size_t>(n) % texts.size()]));
        }
    }
    const long after = residentKilobytes();
    state.SetItemsProcessed(state.iterations() * kParses);
    state.counters["rss_before_kb"] = static_cast<double>(before);
    state.counters["rss_after_kb"] = static_cast<double>(after);
    state.counters["rss_growth_kb"] = static_cast<double>(after - before);
}
BENCHMARK(BM_MemoryOverMillionParses)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// One figure per corpus language (BM_ParseLanguage/<lang>), registered from the files found.
int main(int argc, char** argv) {
    for (const auto& language : corpusLanguages()) {
        benchmark::RegisterBenchmark(
            ("BM_ParseLanguage/" + language).c_str(),
            [texts = textsOf({language})](benchmark::State& state) { parseTexts(state, texts); });
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
