#include "tests/support/ProgramSeams.h"

#include "web/Encoding.h"

#include <QCoreApplication>
#include <QEvent>

namespace orbisel::test {

ProgramSeams::ProgramSeams() {
    setMessageBoxHandler([this](const MessageBoxRequest &request) {
        messages.push_back(request);
        if (!m_answers.empty()) {
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return request.buttons == kMbYesNo ? kIdNo : kIdOk;
    });
    setAddressOpener([this](const Text &address) { openedAddresses.push_back(address); });
    setEndProgramHandler([this](int code) { endCodes.push_back(code); });
    setLastWindowClosedHandler([this] { ++lastWindowClosedCount; });
}

ProgramSeams::~ProgramSeams() {
    closeAllWindows();
    setMessageBoxHandler({});
    setAddressOpener({});
    setEndProgramHandler({});
    setLastWindowClosedHandler({});
}

std::vector<std::string> ProgramSeams::messageTextsUtf8() const {
    std::vector<std::string> texts;
    for (const auto &m : messages)
        texts.push_back(utf8(m.text));
    return texts;
}

void closeAllWindows() {
    for (int i = 0; i < 3 && openWindowCount() > 0; ++i) {
        for (int id = 0; id <= static_cast<int>(WindowId::LedgerEntry); ++id)
            if (Window *w = openWindow(static_cast<WindowId>(id)))
                w->deleteLater(), closeWindow(w);
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

std::string utf8(const Text &gbk) {
    return gbkToUtf8(gbk);
}

} // namespace orbisel::test
