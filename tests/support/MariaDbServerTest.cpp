#include "tests/support/MariaDbServer.h"

#include <gtest/gtest.h>

using orbisel::test::MariaDbServer;

// Servers sharing one temporary folder delete each other's temporary tables
// when they start; each keeps its own inside its data directory.
TEST(MariaDbServerTest, twoServers_eachUseATemporaryFolderOfTheirOwn) {
    MariaDbServer first;
    MariaDbServer second;
    for (MariaDbServer *server : {&first, &second}) {
        ASSERT_TRUE(server->running()) << server->error();
        std::string tmpdir, databases;
        ASSERT_TRUE(server->sql("SELECT @@tmpdir;", &tmpdir)) << server->error();
        EXPECT_EQ(tmpdir, server->dataDir().toStdString() + "/tmp\n");
        ASSERT_TRUE(server->sql("SHOW DATABASES LIKE 'tmp';", &databases));
        EXPECT_EQ(databases, "") << "the temporary folder is no database";
    }
}
