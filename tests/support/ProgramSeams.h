#pragma once

#include "app/Program.h"

#include <deque>
#include <vector>

namespace orbisel::test {

// Replaces message boxes, the shell opener, the end of the program and the
// last-window rule for one test; restores the defaults when destroyed.
// Message boxes answer from a queue (OK, or the button's default, when empty).
class ProgramSeams {
public:
    ProgramSeams();
    ~ProgramSeams();
    ProgramSeams(const ProgramSeams &) = delete;
    ProgramSeams &operator=(const ProgramSeams &) = delete;

    void answerNext(int resultCode) { m_answers.push_back(resultCode); }

    std::vector<MessageBoxRequest> messages;
    std::vector<Text> openedAddresses;
    std::vector<int> endCodes;
    int lastWindowClosedCount = 0;

    // Texts of the messages shown, converted to UTF-8 for readable assertions.
    std::vector<std::string> messageTextsUtf8() const;

private:
    std::deque<int> m_answers;
};

// Closes every open window of the program and processes the pending deletions.
void closeAllWindows();

// UTF-8 view of a GBK text, for assertions.
std::string utf8(const Text &gbk);

} // namespace orbisel::test
