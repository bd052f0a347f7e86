#include "core/runs/StoredRun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

class StoredRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        auto opened = RunStore::open(m_dir.filePath("mining.sqlite").toStdString());
        ASSERT_TRUE(opened.ok());
        m_store = std::move(opened).value();
        DeepRunOptions options;
        options.seeds = {"连衣裙", "半身裙"};
        options.name = "裙子";
        auto run = m_store->createRun(options);
        ASSERT_TRUE(run.ok());
        m_runId = run.value();
        ASSERT_TRUE(m_store->acquireWriter(m_runId).ok());
    }

    void addRows(std::size_t from, const std::vector<ResultRow> &rows) {
        StoreCommit commit;
        for (std::size_t i = 0; i < rows.size(); ++i)
            commit.rows.emplace_back(from + i, rows[i]);
        commit.words = static_cast<long long>(from + rows.size());
        ASSERT_TRUE(m_store->commit(m_runId, commit).ok());
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RunStore> m_store;
    long long m_runId = 0;
};

TEST_F(StoredRunTest, open_readsTheHeader_andRefusesAnUnknownRun) {
    addRows(0, {{.word = "连衣裙女", .seed = "连衣裙", .listings = 200, .popularity = 2.0}});
    const auto run = StoredRun::open(*m_store, m_runId);
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run.value().id(), m_runId);
    EXPECT_EQ(run.value().summary().name, "裙子");
    EXPECT_EQ(run.value().summary().words, 1);
    EXPECT_EQ(run.value().storePath(), m_store->path());
    ASSERT_TRUE(run.value().options().ok());
    EXPECT_EQ(run.value().options().value().seeds, (std::vector<std::string>{"连衣裙", "半身裙"}));

    const auto unknown = StoredRun::open(*m_store, m_runId + 1);
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().kind, StoreErrorKind::UnknownRun);
}

TEST_F(StoredRunTest, rowsComeInResultOrder_andTheScaleIsReadOnce) {
    addRows(0, {{.word = "b", .listings = 10, .popularity = 4.0},
                {.word = "a", .popularity = std::nullopt},
                {.word = "c", .listings = 0, .popularity = 1.0}});
    const auto opened = StoredRun::open(*m_store, m_runId);
    ASSERT_TRUE(opened.ok());
    const StoredRun &run = opened.value();
    std::vector<std::string> words;
    ASSERT_TRUE(run.forEachRow([&](const ResultRow &row) {
                       words.push_back(row.word);
                       return words.size() < 2;
                   })
                    .ok());
    EXPECT_EQ(words, (std::vector<std::string>{"b", "a"})); // the visitor stopped at the second

    ValueScale expected;
    expected.add(4.0, 10);
    expected.add(1.0, 0);
    const auto scale = run.scale();
    ASSERT_TRUE(scale.ok());
    EXPECT_EQ(scale.value(), expected);
    EXPECT_EQ(storedRunScale(*m_store, m_runId).value(), expected);

    // A row with a larger sum arrives: the reader keeps the scale it read, a new one sees it.
    addRows(3, {{.word = "d", .listings = 5, .popularity = 8.0}});
    EXPECT_EQ(run.scale().value(), expected);
    EXPECT_NE(StoredRun::open(*m_store, m_runId).value().scale().value(), expected);
}

} // namespace
} // namespace orbisel::core
