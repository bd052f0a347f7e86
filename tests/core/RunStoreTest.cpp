#include "core/store/RunStore.h"

#include "core/insight/RunComparison.h"
#include "core/runs/RunExport.h"
#include "core/store/RunOptionsJson.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sstream>
#include <sys/stat.h>

using namespace orbisel::core;

namespace {

std::string bytesOf(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void sql(const std::string &file, const char *statements) {
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

class RunStoreTest : public ::testing::Test {
protected:
    std::string file(const std::string &name = "mining.sqlite") const {
        return dir.path().toStdString() + "/" + name;
    }
    std::unique_ptr<RunStore> open(const std::string &name = "mining.sqlite") {
        auto store = RunStore::open(file(name));
        EXPECT_TRUE(store.ok()) << (store.ok() ? "" : store.error().detail);
        return store.ok() ? std::move(store).value() : nullptr;
    }
    QTemporaryDir dir;
};

TEST_F(RunStoreTest, options_roundTripThroughTheStore) {
    DeepRunOptions o;
    o.seeds = {"连衣裙", "帽 女"};
    o.expansions = expansionBit(Expansion::Letters) | expansionBit(Expansion::Questions);
    o.modifiers = {"女", "新款"};
    o.sources = sourceBit(DeepSource::Related);
    o.depth = 3;
    o.concurrency = 8;
    o.pace = Pacing::Adaptive; // a run stored without its pace reads as fixed
    o.intervalMs = 0;
    o.minIntervalMs = 5;
    o.backoffMs = 500;
    o.maxQueries = 77;
    o.cacheHours = 0;
    o.include = {"裙"};
    o.exclude = {"男", "童"};
    o.minChars = 2;
    o.maxChars = 9;
    o.name = "夏季";
    auto store = open();
    const long long id = store->createRun(o).value();
    const DeepRunOptions back = open()->options(id).value();
    EXPECT_EQ(back.seeds, o.seeds);
    EXPECT_EQ(back.expansions, o.expansions);
    EXPECT_EQ(back.modifiers, o.modifiers);
    EXPECT_EQ(back.sources, o.sources);
    EXPECT_EQ(std::tie(back.depth, back.concurrency, back.pace, back.intervalMs, back.minIntervalMs,
                       back.backoffMs, back.maxQueries, back.cacheHours, back.minChars, back.maxChars),
              std::tie(o.depth, o.concurrency, o.pace, o.intervalMs, o.minIntervalMs, o.backoffMs,
                       o.maxQueries, o.cacheHours, o.minChars, o.maxChars));
    EXPECT_EQ(back.include, o.include);
    EXPECT_EQ(back.exclude, o.exclude);
    EXPECT_EQ(back.name, o.name);
    const RunSummary s = store->summary(id).value();
    EXPECT_EQ(s.name, "夏季");
    EXPECT_GT(s.startedUnix, 0);

    // Runs stored before the pace was kept resume as they ran: fixed.
    const auto old = optionsFromJson(R"({"seeds":["连衣裙"],"intervalMs":200,"backoffMs":30000})");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->pace, Pacing::Fixed);
    EXPECT_EQ(old->intervalMs, 200);
}

TEST_F(RunStoreTest, filesThatAreNoStoreOfThisProgram_areRefusedAndLeftUntouched) {
    std::ofstream(file("text.sqlite")) << "seed list, not a database\n";
    sql(file("foreign.sqlite"), "CREATE TABLE t(x); INSERT INTO t VALUES(1);");
    open("newer.sqlite");
    sql(file("newer.sqlite"), "PRAGMA user_version = 99;");
    const struct {
        const char *name;
        StoreErrorKind kind;
    } cases[] = {
        {"text.sqlite", StoreErrorKind::Corrupt},
        {"foreign.sqlite", StoreErrorKind::Corrupt},
        {"newer.sqlite", StoreErrorKind::NewerProgram},
    };
    for (const auto &c : cases) {
        const std::string before = bytesOf(file(c.name));
        auto store = RunStore::open(file(c.name));
        ASSERT_FALSE(store.ok()) << c.name;
        EXPECT_EQ(store.error().kind, c.kind) << c.name;
        EXPECT_NE(store.error().detail.find(c.name), std::string::npos) << store.error().detail;
        EXPECT_EQ(bytesOf(file(c.name)), before) << c.name;
    }
    for (const auto &entry : std::filesystem::directory_iterator(dir.path().toStdString()))
        EXPECT_EQ(entry.path().string().find(".bak-"), std::string::npos) << entry.path(); // no copy made
    auto folder = RunStore::open(dir.path().toStdString());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().kind, StoreErrorKind::CannotOpen);
}

// A store of version 1 (before runs recorded their 出现次数 rule) is migrated
// in place; its runs keep the rule they were counted by.
TEST_F(RunStoreTest, versionOneStore_isMigrated_andItsRunsKeepTheOlderOccurrenceRule) {
    long long oldRun = 0;
    {
        auto store = open();
        DeepRunOptions o;
        o.seeds = {"连衣裙"};
        oldRun = store->createRun(o).value();
        StoreCommit commit;
        commit.rows.emplace_back(0, ResultRow{"连衣裙女", "连衣裙", 1, 7, 1, "连衣裙", 3});
        ASSERT_TRUE(store->commit(oldRun, commit).ok());
    }
    sql(file(), "ALTER TABLE runs DROP COLUMN occurrence_rule; ALTER TABLE results DROP COLUMN popularity; "
                "PRAGMA user_version = 1;");

    auto store = open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->summary(oldRun).value().occurrenceRule, OccurrenceRule::PerQueryAndSource);
    std::vector<long long> counts;
    ASSERT_TRUE(store
                    ->forEachResult(oldRun,
                                    [&](const ResultRow &r) {
                                        counts.push_back(r.occurrences);
                                        return true;
                                    })
                    .ok());
    EXPECT_EQ(counts, std::vector<long long>{3});
    const long long newRun = store->createRun(DeepRunOptions{}).value();
    EXPECT_EQ(store->summary(newRun).value().occurrenceRule, OccurrenceRule::PerAnswer);
    store.reset();

    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file().c_str(), &db), SQLITE_OK);
    sqlite3_stmt *version = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(version), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(version, 0), 3);
    sqlite3_finalize(version);
    sqlite3_close(db);
}

// Every row of the run tables, and the version, as text.
std::string contentOf(const std::string &file) {
    sqlite3 *db = nullptr;
    std::string text;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        for (const char *select :
             {"PRAGMA user_version", "SELECT * FROM runs ORDER BY 1", "SELECT * FROM queries ORDER BY 1, 2",
              "SELECT * FROM answers ORDER BY 1", "SELECT * FROM results ORDER BY 1, 2"}) {
            sqlite3_exec(
                db, select,
                [](void *out, int columns, char **values, char **) {
                    for (int i = 0; i < columns; ++i)
                        *static_cast<std::string *>(out) += std::string(values[i] ? values[i] : "NULL") + "|";
                    *static_cast<std::string *>(out) += "\n";
                    return 0;
                },
                &text, nullptr);
        }
    }
    sqlite3_close(db);
    return text;
}

int userVersion(const std::string &file) {
    sqlite3 *db = nullptr;
    int version = -1;
    sqlite3_stmt *select = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &select, nullptr) == SQLITE_OK &&
        sqlite3_step(select) == SQLITE_ROW)
        version = sqlite3_column_int(select, 0);
    sqlite3_finalize(select);
    sqlite3_close(db);
    return version;
}

std::vector<ComparedSide> comparedRows(RunStore &store, long long runId) {
    std::vector<ComparedSide> rows;
    EXPECT_TRUE(store
                    .forEachResult(runId,
                                   [&](const ResultRow &r) {
                                       EXPECT_FALSE(r.popularity) << r.word; // stored without a sum
                                       rows.push_back({r.word, r.listings, 0});
                                       return true;
                                   })
                    .ok());
    return rows;
}

// A store written by orbisel-mine at store version 2 (tests/core/fixtures): run 1 mined
// 连衣裙 and 半身裙 two levels deep (PC and mobile), run 2 连衣裙 one level (PC).
TEST_F(RunStoreTest, versionTwoStore_isCopiedThenMigrated_andItsRunsStillListExportAndCompare) {
    const std::string fixture = ORBISEL_CORE_TEST_DIR "/fixtures/mining-v2.sqlite";
    std::filesystem::copy_file(fixture, file());
    const std::string before = contentOf(file());
    ASSERT_NE(before.find("连衣裙女"), std::string::npos);

    auto store = open();
    ASSERT_TRUE(store);
    EXPECT_EQ(contentOf(file() + ".bak-2"), before); // the store as it was
    EXPECT_EQ(userVersion(file() + ".bak-2"), 2);
    EXPECT_EQ(userVersion(file()), 3);

    const std::vector<RunSummary> runs = store->listRuns().value();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].name, "裙子");
    EXPECT_EQ(runs[0].state, RunState::Done);
    EXPECT_EQ(runs[1].words, 2);

    const auto exported = exportRun(*store, runs[0].id, file("run1.csv"));
    ASSERT_TRUE(exported.ok());
    EXPECT_EQ(exported.value(), runs[0].words);

    const RunComparison c = compareRuns(comparedRows(*store, runs[1].id), comparedRows(*store, runs[0].id));
    EXPECT_EQ(c.kept, 2u);
    EXPECT_EQ(c.gone, 0u);
    EXPECT_EQ(c.added, static_cast<std::size_t>(runs[0].words) - 2);
    const auto kept = std::find_if(c.words.begin(), c.words.end(),
                                   [](const ComparedWord &w) { return w.word == "连衣裙女"; });
    ASSERT_NE(kept, c.words.end());
    EXPECT_EQ(kept->state, ComparisonState::Kept);
    EXPECT_EQ(kept->oldListings, 200);
    EXPECT_EQ(kept->newListings, 200);

    // Opened again: nothing left to migrate, the copy stays as it was.
    store.reset();
    const std::string copy = bytesOf(file() + ".bak-2");
    ASSERT_TRUE(open());
    EXPECT_EQ(bytesOf(file() + ".bak-2"), copy);
}

TEST_F(RunStoreTest, oneWriterPerRun_readersStillWork_deleteWaitsForTheWriter) {
    auto writer = open();
    auto reader = open();
    const long long id = writer->createRun(DeepRunOptions{}).value();
    const long long other = writer->createRun(DeepRunOptions{}).value();
    ASSERT_TRUE(writer->acquireWriter(id).ok());
    const auto second = reader->acquireWriter(id);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().kind, StoreErrorKind::Locked);
    EXPECT_TRUE(reader->acquireWriter(other).ok());
    reader->releaseWriter();

    EXPECT_EQ(reader->summary(id).value().state, RunState::Running);
    EXPECT_EQ(reader->deleteRun(id).error().kind, StoreErrorKind::Locked);
    writer->releaseWriter();
    // Nobody runs it any more: a run left running stands stopped.
    EXPECT_EQ(reader->summary(id).value().state, RunState::Stopped);
    EXPECT_EQ(reader->listRuns().value().size(), 2u);
    EXPECT_TRUE(reader->deleteRun(id).ok());
    EXPECT_EQ(reader->summary(id).error().kind, StoreErrorKind::UnknownRun);
    EXPECT_EQ(reader->options(id).error().kind, StoreErrorKind::UnknownRun);
    EXPECT_EQ(reader->forEachResult(id, [](const ResultRow &) { return true; }).error().kind,
              StoreErrorKind::UnknownRun);
    EXPECT_FALSE(std::filesystem::exists(runLockPath(file(), id)));
    EXPECT_EQ(reader->listRuns().value().size(), 1u);
}

TEST_F(RunStoreTest, commit_isAllOrNothing_andRowsComeBackInResultOrder) {
    auto store = open();
    const long long id = store->createRun(DeepRunOptions{}).value();
    ASSERT_TRUE(store->addQueries(id, {{0, 1, "甲", 0, "", QueryState::Pending}}).ok());
    StoreCommit commit;
    commit.answers.push_back({AnswerKind::Pc, "甲", 100, "{\"result\":[]}"});
    commit.finished.emplace_back(0, QueryState::Done);
    commit.rows.emplace_back(1, ResultRow{"乙", "甲", sourceBit(DeepSource::Pc), std::nullopt, 1, "甲", 1});
    commit.rows.emplace_back(0, ResultRow{"甲一", "甲", sourceBit(DeepSource::Mobile), 12, 1, "甲", 2});
    commit.queriesDone = 1;
    commit.words = 2;
    ASSERT_TRUE(store->commit(id, commit).ok());
    std::vector<std::string> words;
    ASSERT_TRUE(store
                    ->forEachResult(id,
                                    [&](const ResultRow &r) {
                                        words.push_back(r.word +
                                                        (r.listings ? std::to_string(*r.listings) : "-"));
                                        return true;
                                    })
                    .ok());
    EXPECT_EQ(words, (std::vector<std::string>{"甲一12", "乙-"}));
    EXPECT_EQ(store->queries(id).value().front().state, QueryState::Done);
    EXPECT_EQ(store->summary(id).value().words, 2);
    // The answer is this run's whatever its age; other runs take it while it is young enough.
    EXPECT_EQ(store->answer(id, AnswerKind::Pc, "甲", 1000).value(), "{\"result\":[]}");
    EXPECT_EQ(store->answer(id + 1, AnswerKind::Pc, "甲", 100).value(), "{\"result\":[]}");
    EXPECT_FALSE(store->answer(id + 1, AnswerKind::Pc, "甲", 101).value());
    EXPECT_FALSE(store->answer(id, AnswerKind::Mobile, "甲", 0).value());

    // A failing statement rolls the whole commit back.
    StoreCommit broken;
    broken.answers.push_back({AnswerKind::Pc, "乙", 100, "{}"});
    broken.finished.emplace_back(0, QueryState::Failed);
    broken.rows.emplace_back(2, ResultRow{"丙", "甲", 0, std::nullopt, 1, "甲", 1});
    sql(file(), "CREATE TRIGGER refuse BEFORE INSERT ON results BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    auto again = open();
    const auto failed = again->commit(id, broken);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().kind, StoreErrorKind::WriteFailed);
    EXPECT_FALSE(again->answer(id, AnswerKind::Pc, "乙", 0).value());
    EXPECT_EQ(again->queries(id).value().front().state, QueryState::Done);
}

TEST_F(RunStoreTest, defaultStorePath_isInAPrivateUserDataFolder) {
    QCoreApplication::setApplicationName("orbisel-store-test");
    QStandardPaths::setTestModeEnabled(true);
    std::filesystem::remove_all(
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
    const std::string path = defaultStorePath();
    QStandardPaths::setTestModeEnabled(false);
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    EXPECT_EQ(std::filesystem::path(path).filename(), "mining.sqlite");
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
    std::filesystem::remove_all(folder);
}

} // namespace
