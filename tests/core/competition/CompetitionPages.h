#pragma once

#include "core/competition/SearchPage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

// The hand-written results pages of fixtures/ (see fixtures/README.md).
namespace orbisel::test {

inline std::string competitionFixture(const std::string &name) {
    std::ifstream in(std::string(ORBISEL_COMPETITION_FIXTURES) + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    EXPECT_FALSE(out.str().empty()) << name;
    return out.str();
}

inline core::SearchPage readFixturePage(const std::string &name) {
    core::SearchPageResult read = core::readSearchPage(competitionFixture(name));
    EXPECT_TRUE(read.ok()) << name << ": " << (read.ok() ? "" : core::describe(read.error()));
    return read.ok() ? std::move(read).value() : core::SearchPage{};
}

} // namespace orbisel::test
