#pragma once

#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProgramSeams.h"
#include "web/Clock.h"
#include "web/Gbk.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace orbisel::test {

// Windows of the service folder against the test binary's own MariaDB server,
// seeded with the standard rows. The server's general log shows which
// connections the program opened and which rows it read.
class ServiceWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db().running()) << db().error();
        ASSERT_TRUE(db().resetData());
        sql("SET GLOBAL general_log_file = " + quoted(logPath().toStdString()) +
            "; SET GLOBAL log_output = 'FILE'; SET GLOBAL general_log = ON;");
        m_logStart = QFileInfo(logPath()).size();
        m_saved = serviceEndpoint();
        serviceEndpoint().host = "127.0.0.1";
        serviceEndpoint().port = db().port();
    }
    void TearDown() override {
        closeAllWindows();
        disconnectService();
        serviceEndpoint() = m_saved;
        setClockForTesting({});
    }

    static MariaDbServer &db() { return MariaDbServer::shared(); }
    static void sql(const std::string &statements, std::string *output = nullptr) {
        ASSERT_TRUE(db().sql(statements, output)) << db().error();
    }
    static std::string quoted(const std::string &text) {
        std::string out = "'";
        for (char c : text) {
            if (c == '\'' || c == '\\')
                out += '\\';
            out += c;
        }
        return out + "'";
    }

    // Makes columns 0..3 of the row the program selects with condition (UTF-8,
    // "账号=666") the given values; the row is created when missing.
    static void setRow(const std::string &condition, const std::array<std::string, 4> &values) {
        const size_t eq = condition.find('=');
        ASSERT_NE(eq, std::string::npos);
        const std::string column = condition.substr(0, eq);
        const std::string key = quoted(condition.substr(eq + 1));
        const std::string where = " WHERE " + column + "=" + key;
        const std::string v[4] = {quoted(values[0]), quoted(values[1]), quoted(values[2]), quoted(values[3])};
        sql("UPDATE woai SET 标识=" + v[0] + ", 地址=" + v[1] + ", 内容=" + v[2] + ", 公告=" + v[3] + where +
            "; INSERT INTO woai (标识, 地址, 内容, 公告, " + column + ") SELECT " + v[0] + ", " + v[1] +
            ", " + v[2] + ", " + v[3] + ", " + key + " FROM DUAL WHERE NOT EXISTS (SELECT 1 FROM woai" +
            where + ");");
    }
    // Deletes the rows matching condition (UTF-8 SQL, "1=1" for all).
    static void removeRows(const std::string &condition) { sql("DELETE FROM woai WHERE " + condition + ";"); }

    // Where the program looks for the service database: nothing listens there.
    static void serviceDown() { serviceEndpoint().port = freeLocalPort(); }

    // The conditions of the rows the program read since SetUp, in order (UTF-8).
    std::vector<std::string> reads() const {
        const std::string select = "select * from woai where ";
        std::vector<std::string> conditions;
        for (const std::string &query : programLog("Query"))
            if (query.rfind(select, 0) == 0)
                conditions.push_back(utf8(query.substr(select.size())));
        return conditions;
    }
    // The connections the program opened since SetUp.
    int connects() const { return static_cast<int>(programLog("Connect").size()); }

    ProgramSeams seams;

private:
    static QString logPath() { return db().dataDir() + QStringLiteral("/general.log"); }

    // The arguments of the general log's entries of one command (Connect, Query)
    // made through the program's account since SetUp, in order.
    std::vector<std::string> programLog(const std::string &command) const {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_logStart))
            return {};
        std::set<std::string> programThreads;
        std::vector<std::string> arguments;
        // Entry lines: [time] TAB(s) id SPACE command TAB argument.
        static const std::regex entry("^[^\t]*\t+ *([0-9]+) ([A-Za-z_ ]+)\t(.*)$");
        for (const QByteArray &bytes : file.readAll().split('\n')) {
            const std::string line = bytes.toStdString();
            std::smatch m;
            if (!std::regex_match(line, m, entry))
                continue;
            if (m[2] == "Connect" && m[3].str().rfind(serviceEndpoint().user + "@", 0) == 0)
                programThreads.insert(m[1]);
            if (m[2] == command && programThreads.count(m[1]))
                arguments.push_back(m[3]);
        }
        return arguments;
    }

    ServiceEndpoint m_saved;
    qint64 m_logStart = 0;
};

inline Text serviceStoppedText() {
    return gbk("软件停止服务 联系QQ") + config::kSupportQq;
}

} // namespace orbisel::test
