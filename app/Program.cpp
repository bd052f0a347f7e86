#include "app/Program.h"

#include "app/ProgramWindowMarker.h"
#include "web/Gbk.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unistd.h>

namespace orbisel {
namespace {

struct ProgramState {
    std::map<WindowId, WindowFactory> factories;
    std::map<WindowId, QPointer<Window>> open;
    std::function<int(const MessageBoxRequest &)> messageBoxHandler;
    std::function<void(const Text &)> addressOpener;
    std::function<void(int)> endProgramHandler;
    std::function<void()> lastWindowClosedHandler;
    QString windowNamespace = QStringLiteral("orbisel");
};

ProgramState &state() {
    static ProgramState s;
    return s;
}

void forgetWindow(WindowId id, Window *window) {
    auto &open = state().open;
    auto it = open.find(id);
    if (it == open.end() || it->second != window)
        return;
    open.erase(it);
    if (openWindowCount() > 0)
        return;
    if (state().lastWindowClosedHandler)
        state().lastWindowClosedHandler();
    else
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

QMessageBox::StandardButtons standardButtons(int buttons) {
    switch (buttons & 0xF) {
    case kMbOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case kMbAbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case kMbYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case kMbYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case kMbRetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

int resultCode(int button) {
    switch (button) {
    case QMessageBox::Cancel:
        return kIdCancel;
    case QMessageBox::Abort:
        return kIdAbort;
    case QMessageBox::Retry:
        return kIdRetry;
    case QMessageBox::Ignore:
        return kIdIgnore;
    case QMessageBox::Yes:
        return kIdYes;
    case QMessageBox::No:
        return kIdNo;
    default:
        return kIdOk;
    }
}

int showMessageBox(const MessageBoxRequest &request) {
    QMessageBox box(QMessageBox::NoIcon, fromGbk(request.title), fromGbk(request.text),
                    standardButtons(request.buttons));
    box.setWindowModality(Qt::ApplicationModal);
    return resultCode(box.exec());
}

QUrl addressToUrl(const QString &address) {
    if (QFileInfo::exists(address))
        return QUrl::fromLocalFile(QFileInfo(address).absoluteFilePath());
    return QUrl::fromUserInput(address);
}

} // namespace

void registerWindow(WindowId id, WindowFactory factory) {
    state().factories[id] = std::move(factory);
}

Window *openWindow(WindowId id) {
    auto it = state().open.find(id);
    return it == state().open.end() || !it->second || it->second->isClosed() ? nullptr : it->second.data();
}

int openWindowCount() {
    auto &open = state().open;
    std::erase_if(open, [](const auto &entry) { return entry.second.isNull(); });
    return static_cast<int>(open.size());
}

bool loadWindow(WindowId id, bool modal) {
    if (Window *existing = openWindow(id)) {
        if (existing->isMinimized())
            existing->showNormal();
        else if (existing->isVisible()) {
            existing->raise();
            existing->activateWindow();
        }
        return true;
    }
    auto factory = state().factories.find(id);
    if (factory == state().factories.end())
        return false;
    Window *window = factory->second();
    if (!window)
        return false;
    QPointer<Window> guard(window);
    state().open[id] = guard;
    QObject::connect(window, &Window::closed, window, [id, window] { forgetWindow(id, window); });
    const bool visible = window->visibleWhenCreated();
    window->raiseCreated();
    if (!guard || guard->isClosed())
        return false;
    if (modal)
        window->setWindowModality(Qt::ApplicationModal);
    if (visible && !window->isVisible())
        window->show();
    if (modal) {
        QEventLoop loop;
        QObject::connect(window, &Window::closed, &loop, &QEventLoop::quit);
        if (guard && !guard->isClosed())
            loop.exec();
    }
    return true;
}

void closeWindow(Window *window) {
    if (!window || window->isClosed())
        return;
    window->close();
}

void closeWindow(WindowId id) {
    closeWindow(openWindow(id));
}

void endProgram(int exitCode) {
    if (state().endProgramHandler) {
        state().endProgramHandler(exitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

const Text &defaultMessageTitle() {
    static const Text title = gbk("信息：");
    return title;
}

int messageBox(const Text &text, int buttons) {
    return messageBox(text, buttons, defaultMessageTitle());
}

int messageBox(const Text &text, int buttons, const Text &title) {
    const MessageBoxRequest request{text, buttons, title};
    if (state().messageBoxHandler)
        return state().messageBoxHandler(request);
    return showMessageBox(request);
}

void openAddress(const Text &address) {
    if (state().addressOpener) {
        state().addressOpener(address);
        return;
    }
    QDesktopServices::openUrl(addressToUrl(fromGbk(address)));
}

QString programWindowServerName(const Text &caption) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray(caption.data(), static_cast<qsizetype>(caption.size())),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(24);
    return QStringLiteral("%1-%2-%3")
        .arg(state().windowNamespace)
        .arg(::getuid())
        .arg(QString::fromLatin1(hash));
}

std::optional<ProgramWindowRef> findProgramWindow(const Text &caption) {
    for (auto &[id, window] : state().open)
        if (window && !window->isClosed() && window->caption() == caption)
            return ProgramWindowRef{window.data()};
    if (ProgramWindowMarker::isAnswering(programWindowServerName(caption)))
        return ProgramWindowRef{};
    return std::nullopt;
}

// Long loops call this after every small unit of work; dispatching (and so
// repainting) each time would cost more than the work itself, so events are
// dispatched at most once per display frame.
void pumpPendingInput() {
    constexpr qint64 kFrameMs = 16;
    static QElapsedTimer sinceLastPump;
    if (sinceLastPump.isValid() && sinceLastPump.elapsed() < kFrameMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLastPump.start();
}

void appendText(Window *window, const std::string &editBox, const Text &text) {
    if (window && !window->isClosed())
        window->appendText(editBox, text);
}

void setMessageBoxHandler(std::function<int(const MessageBoxRequest &)> handler) {
    state().messageBoxHandler = std::move(handler);
}

void setAddressOpener(std::function<void(const Text &)> opener) {
    state().addressOpener = std::move(opener);
}

void setEndProgramHandler(std::function<void(int)> handler) {
    state().endProgramHandler = std::move(handler);
}

void setLastWindowClosedHandler(std::function<void()> handler) {
    state().lastWindowClosedHandler = std::move(handler);
}

void setProgramWindowNamespace(const QString &ns) {
    state().windowNamespace = ns;
}

} // namespace orbisel
