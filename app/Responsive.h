#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <thread>
#include <type_traits>

namespace orbisel {

// Runs blocking work (a network request) on a worker thread while the GUI
// thread keeps dispatching events, and returns its result. Handlers may run
// meanwhile, as they do inside pumpPendingInput.
template <class Work> auto waitResponsive(Work &&work) -> std::invoke_result_t<Work> {
    using Result = std::invoke_result_t<Work>;
    Result result{};
    QEventLoop loop;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::AllEvents);
    worker.join();
    return result;
}

} // namespace orbisel
