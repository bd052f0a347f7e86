#include "cli/MineCommandLine.h"

#include "core/base/WordText.h"
#include "core/files/ResultWriters.h"
#include "orbisel/config.h"

#include <CLI/CLI.hpp>
#include <map>

namespace orbisel::cli {

namespace {

constexpr const char *kTestingGroup = "Testing (local stand-in servers)";

std::string versionText() {
    return std::string("orbisel-mine ") + config::kVersionText;
}

void addStoreOption(CLI::App &command, MineRequest &request) {
    command.add_option("--store", request.store,
                       "Run store (SQLite); default: mining.sqlite in the user data folder");
}

void addNetworkOptions(CLI::App &command, NetworkSettings &network) {
    command.add_option("--suggest-host", network.suggestHost, "Suggestion host[:port] (https)")
        ->group(kTestingGroup);
    command.add_option("--search-host", network.searchHost, "Search page host[:port] (https)")
        ->group(kTestingGroup);
    command.add_option("--ca-file", network.caFile, "Trust these certificate authorities (PEM) for https")
        ->group(kTestingGroup);
    command.add_option("--service-host", network.serviceHost, "Service database host")->group(kTestingGroup);
    command.add_option("--service-port", network.servicePort, "Service database port")
        ->check(CLI::Range(1, 65535))
        ->group(kTestingGroup);
    command
        .add_option("--retry-base-ms", network.retryBaseMs,
                    "First wait before a failed request is repeated, ms (doubles; default 1000)")
        ->check(CLI::Range(1, 600000))
        ->group(kTestingGroup);
}

// The name lists of `run`, kept as text until checked.
struct RunTexts {
    std::string expand;
    std::string sources = "pc,arrow,mobile";
};

void addRunOptions(CLI::App &run, MineRequest &request, RunTexts &texts) {
    core::RunInputs &inputs = request.inputs;
    core::DeepRunOptions &o = inputs.options;
    auto *seeds =
        run.add_option("--seeds", inputs.seedsFile,
                       "Seeds file: one seed a line, UTF-8 (with or without BOM) or GBK; a line "
                       "with a control byte (tab, NUL, ...) or a file in neither encoding is refused");
    auto *seed = run.add_option("--seed", inputs.seedList, "A seed (repeatable)")->allow_extra_args(false);
    seeds->excludes(seed);
    seed->excludes(seeds);
    run.add_option("--expand", texts.expand,
                   "Widen each seed before depth 1, comma list of: letters (a-z appended), digits (0-9 "
                   "appended), modifiers (\" \" + attribute word; modifiers.txt in the user data folder "
                   "replaces the built-in list), questions (\" \" + buyer-intent word); default: none");
    run.add_option("--sources", texts.sources, "Comma list of: pc, arrow, mobile, longtail, related")
        ->capture_default_str();
    run.add_option("--depth", o.depth, "Levels: the words found at one level are asked at the next (1-5)")
        ->capture_default_str();
    run.add_option("--concurrency", o.concurrency, "Requests in flight (1-16)")->capture_default_str();
    run.add_option("--pace", o.pace,
                   "adaptive: the spacing of request starts to a host starts at --interval-ms, shrinks "
                   "while answers come back fine (never below --min-interval-ms) and grows sharply after a "
                   "refusal or markedly slower answers; fixed: always --interval-ms")
        ->transform(CLI::CheckedTransformer(std::map<std::string, core::Pacing>{
            {"adaptive", core::Pacing::Adaptive}, {"fixed", core::Pacing::Fixed}}))
        ->default_str("adaptive");
    run.add_option("--interval-ms", o.intervalMs,
                   "Time between request starts to one host, ms (adaptive: the first spacing)")
        ->check(CLI::Range(0, 600000))
        ->capture_default_str();
    run.add_option("--min-interval-ms", o.minIntervalMs,
                   "Least time between request starts to one host with --pace adaptive, ms")
        ->check(CLI::Range(1, 600000))
        ->capture_default_str();
    run.add_option("--backoff-ms", o.backoffMs,
                   "Pause after refusals in a row, ms (doubles each time). Refusals of requests in flight "
                   "together count as one. Adaptive: the first only slows down; the run is blocked once each "
                   "of 3 pauses was followed by another refusal. Fixed: 3 refusals in a row stop the run")
        ->check(CLI::Range(0, 86400000))
        ->capture_default_str();
    run.add_option("--max-queries", o.maxQueries, "Queries asked at most; reaching it ends the run normally")
        ->check(CLI::Range(1, 100000000))
        ->capture_default_str();
    run.add_option("--cache-hours", o.cacheHours,
                   "Reuse stored answers younger than this (0: always ask the marketplace)")
        ->check(CLI::Range(0, 87600))
        ->capture_default_str();
    run.add_option("--include", inputs.include,
                   "Keep only words containing one of these (list separated by \",\", \"，\" or \"、\")");
    run.add_option("--exclude", inputs.exclude, "Drop words containing any of these (list as --include)");
    run.add_option("--min-chars", o.minChars, "Keep words of at least this many characters (0: no bound)");
    run.add_option("--max-chars", o.maxChars, "Keep words of at most this many characters (0: no bound)");
    run.add_option("--name", o.name, "Name of the run, shown by list");
    run.add_option("--out", request.out,
                   "Results file written when the run ends; .csv, .xlsx or .jsonl by its extension");
    addStoreOption(run, request);
    addNetworkOptions(run, request.network);
}

// Reads the name lists into the options; the rest is checked when the run starts.
std::optional<std::string> finishRunOptions(MineRequest &request, const RunTexts &texts) {
    core::DeepRunOptions &o = request.inputs.options;
    const auto sources = core::parseSourceNames(texts.sources);
    if (!sources.ok())
        return inputProblem(sources.error(), request);
    o.sources = sources.value();
    const auto expansions = core::parseExpansionNames(texts.expand);
    if (!expansions.ok())
        return inputProblem(expansions.error(), request);
    o.expansions = expansions.value();
    return std::nullopt;
}

std::string range(int low, int high) {
    return std::to_string(low) + " to " + std::to_string(high);
}

std::string seedsProblem(const core::SeedsError &error, const MineRequest &request) {
    const bool file = !request.inputs.seedsFile.empty();
    const std::string where =
        (file ? request.inputs.seedsFile + " line " : "--seed number ") + std::to_string(error.line);
    switch (error.kind) {
    case core::SeedsErrorKind::CannotRead:
        return "cannot read the seeds file " + error.detail;
    case core::SeedsErrorKind::NoSeeds:
        if (file)
            return "no seeds in " + error.detail;
        return request.inputs.seedList.empty() ? "no seeds: give --seeds FILE or --seed TEXT"
                                               : "no seeds: every --seed is blank";
    case core::SeedsErrorKind::ControlByte:
        return where + ": a control byte (NUL, tab, ...) in a seed; is it a text file?";
    case core::SeedsErrorKind::BadEncoding:
        break;
    }
    return where + ": neither UTF-8 nor GBK text; is it a text file?";
}

std::string modifiersProblem(const core::SeedsError &error) {
    switch (error.kind) {
    case core::SeedsErrorKind::ControlByte:
        return "the modifier list " + error.detail + " line " + std::to_string(error.line) +
               ": a control byte (NUL, tab, ...) in a word";
    case core::SeedsErrorKind::BadEncoding:
        return "the modifier list " + error.detail + " line " + std::to_string(error.line) +
               ": neither UTF-8 nor GBK text";
    default:
        return "cannot read the modifier list " + error.detail;
    }
}

// The words of `title`, kept as given until trimmed.
struct TitleTexts {
    std::string seed;
    std::vector<std::string> must;
    std::vector<std::string> avoid;
};

void addTitleOptions(CLI::App &title, MineRequest &request, TitleTexts &texts) {
    title.add_option("--seed", texts.seed, "The seed whose words the titles cover (one of the run's seeds)")
        ->required();
    title
        .add_option("--must", texts.must,
                    "A word every title holds, kept whole (repeatable; default: the seed)")
        ->allow_extra_args(false);
    title
        .add_option("--avoid", texts.avoid,
                    "A word no title holds, such as another seller's brand (repeatable)")
        ->allow_extra_args(false);
    title
        .add_option("--limit", request.title.byteLimit,
                    "Bytes a title may take: 1 for an ASCII character, 2 for any other (as GBK)")
        ->check(CLI::Range(1, 10000))
        ->capture_default_str();
    title.add_option("--count", request.title.titleCount, "Titles to compose")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    title.add_option(
        "--out", request.out,
        "Write the titles to a .csv, .xlsx or .jsonl file (columns 标题, 字节, 字数, 价值, 覆盖词数) "
        "instead of one a line on standard output");
    title.add_flag("--explain", request.explain,
                   "Add the 20 most valuable root words and whether each title holds them: on standard "
                   "output a tab-separated table after a blank line, in a file one column 词根：WORD per "
                   "root word (1 or 0)");
    addStoreOption(title, request);
    addNetworkOptions(title, request.network);
    title.footer("Errors (a seed the run does not have, a must word longer than the limit or holding a "
                 "banned or avoided word) exit 2 and write nothing.\nExample: orbisel-mine title 1 --seed "
                 "连衣裙 --avoid 韩都衣舍 --out 标题.xlsx --explain");
}

std::vector<std::string> trimmedWords(const std::vector<std::string> &words) {
    std::vector<std::string> trimmed;
    for (const std::string &word : words)
        if (std::string t = core::trimmedWord(word); !t.empty())
            trimmed.push_back(std::move(t));
    return trimmed;
}

void finishTitleRequest(MineRequest &request, const TitleTexts &texts) {
    request.title.seed = core::trimmedWord(texts.seed);
    if (std::vector<std::string> must = trimmedWords(texts.must); !must.empty())
        request.title.mustWords = std::move(must);
    request.title.avoidWords = trimmedWords(texts.avoid);
}

// A run number: digits only, at least 1.
CLI::Validator runNumber() {
    return CLI::Validator(
        [](std::string &text) {
            const bool digits = !text.empty() && text.size() < 16 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            return digits && std::stoll(text) > 0
                       ? std::string()
                       : "'" + text + "' is not a run number (orbisel-mine list shows them)";
        },
        "NUMBER");
}

// `roots RUN --out FILE`: the run's 词根 table.
CLI::App *addRootsCommand(CLI::App &app, MineRequest &request) {
    CLI::App *roots =
        app.add_subcommand("roots", "Write the root-word table of a run (the window's 词根 table) to a file");
    roots->add_option("RUN", request.runId, "Run number (see list)")->required()->check(runNumber());
    roots->add_option("--out", request.out, "Table file: .csv, .xlsx or .jsonl by its extension")->required();
    roots->footer(
        "Every result word of the run is cut into dictionary words (the word dictionary of the "
        "build; dictionary.txt in the user data folder adds words never cut, one a line, UTF-8 or "
        "GBK; the run's seeds are never cut either). One row per root word, most result words "
        "first: 词根; 词数, the result words containing it; 商品数合计, their summed listing counts; "
        "热度合计, their summed 热度 (one decimal; empty when none of them has one; 热度 is an "
        "estimate from the words' places in the suggestion answers, not a search count); 种子词, "
        "\"是\" when the root word is part of a seed.");
    addStoreOption(*roots, request);
    addNetworkOptions(*roots, request.network);
    return roots;
}

bool isCommandName(std::string_view word) {
    return word == "run" || word == "resume" || word == "list" || word == "export" || word == "diff" ||
           word == "roots" || word == "title";
}

CLI::App *addDiffCommand(CLI::App &app, MineRequest &request) {
    CLI::App *diff = app.add_subcommand(
        "diff", "Compare two runs word by word: new (新增), gone (消失) and kept (保留) words with their "
                "listing counts and 热度 before and after; prints how many of each and the ten largest rises "
                "of 热度");
    diff->add_option("OLD", request.runId, "The earlier run (see list)")->required()->check(runNumber());
    diff->add_option("NEW", request.newerRunId, "The later run")->required()->check(runNumber());
    diff->add_option(
            "--out", request.out,
            "Comparison file: .csv, .xlsx or .jsonl by its extension; columns 关键词, 状态, 前商品数, "
            "后商品数, 商品数变化, 变化率 (%), 前热度, 后热度, 热度变化")
        ->required();
    addStoreOption(*diff, request);
    addNetworkOptions(*diff, request.network);
    return diff;
}

// How the results files' 热度 and 机会 columns are computed.
constexpr const char *kValueColumnsHelp =
    "Results files: 关键词, 种子词, 来源, 商品数, 层级, 父词, 出现次数, 热度, 机会. 热度 and 机会 are "
    "estimates from the order of the marketplace's suggestions, not search counts. Per answer that "
    "contained a word (PC, mobile, each long-tail answer) the word earns (n - p + 1) / n as suggestion p "
    "of the answer's n, or 0.5 when it came only as a refinement (arrow) of a PC suggestion or as a "
    "related word of a search page; the larger of the two, once per answer; the earnings add up over "
    "the answers. 热度 = 100 × the word's sum / the largest sum of the run. 机会 = 热度 / log10(商品数 + "
    "10), scaled so that the run's largest is 100, empty without 商品数. Both have one decimal and are "
    "empty for runs stored before they were kept.";

std::string usageError(const std::string &message) {
    return "orbisel-mine: " + message + " (see orbisel-mine --help)\n";
}

} // namespace

std::string inputProblem(const core::RunInputError &error, const MineRequest &request) {
    const core::DeepRunOptions &o = request.inputs.options;
    switch (error.kind) {
    case core::RunInputErrorKind::Seeds:
        return seedsProblem(error.seeds, request);
    case core::RunInputErrorKind::Modifiers:
        return modifiersProblem(error.seeds);
    case core::RunInputErrorKind::NoSources:
        return "--sources names no source (use pc, arrow, mobile, longtail, related)";
    case core::RunInputErrorKind::UnknownSource:
        return "unknown source '" + error.detail + "' (use pc, arrow, mobile, longtail, related)";
    case core::RunInputErrorKind::UnknownExpansion:
        return "unknown expansion '" + error.detail + "' (use letters, digits, modifiers, questions)";
    case core::RunInputErrorKind::DepthOutOfRange:
        return "--depth " + error.detail + ": use " + range(core::kMinDepth, core::kMaxDepth);
    case core::RunInputErrorKind::ConcurrencyOutOfRange:
        return "--concurrency " + error.detail + ": use " +
               range(core::kMinConcurrency, core::kMaxConcurrency);
    case core::RunInputErrorKind::CharsOutOfRange:
        return "--min-chars and --max-chars: use " + range(0, core::kMaxCharsBound);
    case core::RunInputErrorKind::MinAboveMax:
        break;
    }
    return "--min-chars " + std::to_string(o.minChars) + " is more than --max-chars " +
           std::to_string(o.maxChars);
}

ParseOutcome parseCommandLine(int argc, const char *const *argv) {
    MineRequest request;
    RunTexts texts;
    CLI::App app("Deep keyword mining on the marketplace's search suggestions. Runs are kept in a store, "
                 "so a stopped run can be resumed and exported again.",
                 "orbisel-mine");
    app.set_version_flag("--version", versionText(), "Print the version and exit");
    app.require_subcommand(1);
    app.footer("Exit codes: 0 done (also when --max-queries was reached), 1 store or results file failed, "
               "2 usage or input error, 3 blocked by the marketplace, 4 network down, 5 service stopped, "
               "130 interrupted (Ctrl-C).\n" +
               std::string(kValueColumnsHelp) +
               "\nExample: orbisel-mine run --seed 连衣裙 --expand letters --depth 2 "
               "--out 连衣裙.xlsx");

    CLI::App *run = app.add_subcommand("run", "Start a run; prints its number first");
    addRunOptions(*run, request, texts);

    CLI::App *resume = app.add_subcommand("resume", "Continue a stopped, blocked or killed run");
    resume->add_option("RUN", request.runId, "Run number (see list)")->required()->check(runNumber());
    resume->add_option("--out", request.out, "Results file written when the run ends (.csv, .xlsx, .jsonl)");
    addStoreOption(*resume, request);
    addNetworkOptions(*resume, request.network);

    CLI::App *list = app.add_subcommand("list", "Show every stored run");
    addStoreOption(*list, request);
    addNetworkOptions(*list, request.network);

    CLI::App *exportRun = app.add_subcommand("export", "Write the results of a run to a file");
    exportRun->add_option("RUN", request.runId, "Run number (see list)")->required()->check(runNumber());
    exportRun->add_option("--out", request.out, "Results file: .csv, .xlsx or .jsonl by its extension")
        ->required();
    addStoreOption(*exportRun, request);
    addNetworkOptions(*exportRun, request.network);
    CLI::App *diff = addDiffCommand(app, request);

    CLI::App *roots = addRootsCommand(app, request);

    TitleTexts titleTexts;
    CLI::App *title = app.add_subcommand("title", "Compose listing titles from a run's words of one seed");
    title->add_option("RUN", request.runId, "Run number (see list)")->required()->check(runNumber());
    addTitleOptions(*title, request, titleTexts);

    ParseOutcome outcome;
    if (argc > 1 && argv[1][0] != '-' && !isCommandName(argv[1])) {
        outcome.exitCode = kExitUsage;
        outcome.error = usageError(std::string("unknown command '") + argv[1] +
                                   "' (use run, resume, list, export, diff, roots or title)");
        return outcome;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &) {
        outcome.output = app.help();
        return outcome;
    } catch (const CLI::CallForAllHelp &) {
        outcome.output = app.help("", CLI::AppFormatMode::All);
        return outcome;
    } catch (const CLI::CallForVersion &) {
        outcome.output = versionText() + "\n";
        return outcome;
    } catch (const CLI::ParseError &e) {
        outcome.exitCode = kExitUsage;
        outcome.error = usageError(e.what());
        return outcome;
    }

    if (run->parsed()) {
        request.command = Command::Run;
        if (auto problem = finishRunOptions(request, texts)) {
            outcome.exitCode = kExitUsage;
            outcome.error = usageError(*problem);
            return outcome;
        }
    } else if (resume->parsed())
        request.command = Command::Resume;
    else if (list->parsed())
        request.command = Command::List;
    else if (diff->parsed())
        request.command = Command::Diff;
    else if (roots->parsed())
        request.command = Command::Roots;
    else if (title->parsed()) {
        request.command = Command::Title;
        finishTitleRequest(request, titleTexts);
    } else
        request.command = Command::Export;
    if (!request.out.empty() && !core::outputFormatFor(request.out)) {
        outcome.exitCode = kExitUsage;
        outcome.error =
            usageError("--out " + request.out + ": unknown format; use a .csv, .xlsx or .jsonl file");
        return outcome;
    }
    outcome.request = std::move(request);
    return outcome;
}

} // namespace orbisel::cli
