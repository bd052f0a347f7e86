#include "web/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orbisel {
namespace {

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The three ways to write a file, each writing `bytes` or failing on request.
struct Writer {
    const char *name;
    std::function<bool(const std::string &path, std::string_view bytes, bool fail)> write;
};

const Writer kWriters[] = {
    {"save", [](const std::string &path, std::string_view bytes,
                bool fail) { return !fail && saveFileAtomically(path, bytes, ParentFolder::MustExist); }},
    {"stream",
     [](const std::string &path, std::string_view bytes, bool fail) {
         return streamFileAtomically(path, [&](const FileSink &sink) {
             return sink(bytes.substr(0, 2)) && sink(bytes.substr(2)) && !fail;
         });
     }},
    {"replace",
     [](const std::string &path, std::string_view bytes, bool fail) {
         return replaceFileAtomically(path, [&](const std::string &tempPath) {
             std::ofstream out(tempPath, std::ios::binary);
             out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
             return out.good() && !fail;
         });
     }},
};

class SaveFileTest : public ::testing::TestWithParam<Writer> {
protected:
    std::string path(const char *name) const { return QDir(dir.path()).filePath(name).toStdString(); }
    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_P(SaveFileTest, writesAndReplacesKeepingMode) {
    const Writer &w = GetParam();
    const std::string file = path("a.txt");
    ASSERT_TRUE(w.write(file, "first\r\n\x81", false));
    EXPECT_EQ(readAll(file), "first\r\n\x81");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(w.write(file, "second", false));
    EXPECT_EQ(readAll(file), "second");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), QStringList{"a.txt"}) << "no temporary file left";
}

TEST_P(SaveFileTest, failure_keepsOldFileAndLeavesNoTemporary) {
    const Writer &w = GetParam();
    const std::string file = path("a.txt");
    ASSERT_TRUE(w.write(file, "old", false));
    EXPECT_FALSE(w.write(file, "new content", true));
    EXPECT_EQ(readAll(file), "old");
    EXPECT_EQ(entries(), QStringList{"a.txt"});
    EXPECT_FALSE(w.write(path("missing/b.txt"), "x", false));
    EXPECT_FALSE(w.write(path("."), "x", false)) << "a folder is never replaced";
}

TEST_P(SaveFileTest, symbolicLink_replacesTheFileItPointsTo) {
    const Writer &w = GetParam();
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    const std::string target = path("real/t.txt");
    ASSERT_TRUE(w.write(target, "old", false));
    ASSERT_TRUE(QFile::link(QString::fromStdString(target), QString::fromStdString(path("link"))));
    ASSERT_TRUE(w.write(path("link"), "new", false));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path("link"))).isSymLink());
    EXPECT_EQ(readAll(target), "new");
}

INSTANTIATE_TEST_SUITE_P(Writers, SaveFileTest, ::testing::ValuesIn(kWriters),
                         [](const auto &info) { return std::string(info.param.name); });

mode_t modeOf(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(SaveFile, createsMissingFoldersOwnerOnlyUnlessTheyMustExist) {
    QTemporaryDir dir;
    const std::string file = QDir(dir.path()).filePath("x/y/z.txt").toStdString();
    EXPECT_FALSE(saveFileAtomically(file, "a", ParentFolder::MustExist));
    EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath("x")));
    ASSERT_TRUE(saveFileAtomically(file, "a"));
    EXPECT_EQ(readAll(file), "a");
    for (const char *folder : {"x", "x/y"})
        EXPECT_EQ(modeOf(QDir(dir.path()).filePath(folder).toStdString()), 0700u) << folder;
}

// Secrets are the owner's alone: a new file, and one that replaces a file others could read.
TEST(SaveFile, ownerOnly_gives0600WhateverTheUmaskOrTheReplacedFile) {
    const std::pair<const char *, std::function<bool(const std::string &, std::string_view)>> writers[] = {
        {"save",
         [](const std::string &path, std::string_view bytes) {
             return saveFileAtomically(path, bytes, ParentFolder::MustExist, FileAccess::OwnerOnly);
         }},
        {"stream",
         [](const std::string &path, std::string_view bytes) {
             return streamFileAtomically(
                 path, [&](const FileSink &sink) { return sink(bytes); }, FileAccess::OwnerOnly);
         }},
    };
    QTemporaryDir dir;
    const mode_t savedMask = ::umask(0);
    for (const auto &[name, write] : writers) {
        const std::string file = QDir(dir.path()).filePath(QString::fromLatin1(name)).toStdString();
        ASSERT_TRUE(write(file, "secret")) << name;
        EXPECT_EQ(modeOf(file), 0600u) << name << ", new file";
        ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
        ASSERT_TRUE(write(file, "secret 2")) << name;
        EXPECT_EQ(modeOf(file), 0600u) << name << ", replaced file";
        EXPECT_EQ(readAll(file), "secret 2") << name;
    }
    ::umask(savedMask);
}

} // namespace
} // namespace orbisel
