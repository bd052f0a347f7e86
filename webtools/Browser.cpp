#include "webtools/Browser.h"

#include "web/Gbk.h"
#include "webtools/WebToolWindows.h"

#include <QCoreApplication>
#include <QUrl>
#include <QWebEngineView>
#include <unistd.h>

namespace orbisel {
namespace {

constexpr const char *kAddressProperty = "orbiselAddress";

} // namespace

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Chromium's sandbox refuses to start as root and takes the process down.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

ControlRow browserControl(int x, int y, int w, int h) {
    return {.name = kBrowserControl,
            .kind = ControlKind::Custom,
            .x = x,
            .y = y,
            .w = w,
            .h = h,
            .make = [](QWidget *parent) -> QWidget * { return new QWebEngineView(parent); }};
}

void setBrowserAddress(Window &window, const Text &address) {
    auto *view = window.widgetAs<QWebEngineView>(kBrowserControl);
    if (!view)
        return;
    view->setProperty(kAddressProperty, QByteArray(address.data(), static_cast<qsizetype>(address.size())));
    const QString target = fromGbk(address);
    view->setUrl(target.isEmpty() ? QUrl(QStringLiteral("about:blank")) : QUrl::fromUserInput(target));
}

Text browserAddress(const Window &window) {
    auto *view = window.widgetAs<QWebEngineView>(kBrowserControl);
    if (!view)
        return {};
    return view->property(kAddressProperty).toByteArray().toStdString();
}

} // namespace orbisel
