#include "program/ProgramWindows.h"

#include "mining/MainWindow.h"
#include "tests/support/ProgramSeams.h"

#include <gtest/gtest.h>

namespace orbisel {
namespace {

// The keyword window opens the deep-mining window by its id; the program registers it.
TEST(ProgramWindows, keywordWindowDeepMiningButton_opensTheDeepMiningWindow) {
    test::ProgramSeams seams;
    registerProgramWindows();
    auto *keywords = new MainWindow;
    keywords->click("按钮深度挖掘");
    Window *deepMining = openWindow(WindowId::DeepMining);
    ASSERT_NE(deepMining, nullptr);
    EXPECT_EQ(test::utf8(deepMining->caption()), "深度挖掘");
    closeWindow(deepMining);
    closeWindow(keywords);
    test::closeAllWindows();
}

} // namespace
} // namespace orbisel
