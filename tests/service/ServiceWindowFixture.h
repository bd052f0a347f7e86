#pragma once

#include "app/Gbk.h"
#include "orbisel/config.h"
#include "service/ServiceAccess.h"
#include "tests/support/ProgramSeams.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace orbisel::test {

// Windows of the service folder with the service database replaced by a table
// of rows (conditions and values written in UTF-8) and a connector whose
// answer the test chooses.
class ServiceWindowTest : public ::testing::Test {
protected:
    ServiceWindowTest() {
        setRowReader([this](const Text &condition) {
            reads.push_back(utf8(condition));
            ServiceRow row;
            auto it = rows.find(utf8(condition));
            if (it != rows.end())
                for (size_t i = 0; i < row.size(); ++i)
                    row[i] = gbk(it->second[i]);
            return row;
        });
        setServiceConnector([this] {
            ++connects;
            return serviceUp;
        });
    }
    ~ServiceWindowTest() override {
        closeAllWindows();
        setRowReader({});
        setServiceConnector({});
    }

    void setRow(const std::string &condition, std::array<std::string, 4> values) { rows[condition] = values; }

    ProgramSeams seams;
    std::map<std::string, std::array<std::string, 4>> rows;
    std::vector<std::string> reads;
    bool serviceUp = true;
    int connects = 0;
};

inline Text serviceStoppedText() {
    return gbk("软件停止服务 联系QQ") + config::kSupportQq;
}

} // namespace orbisel::test
