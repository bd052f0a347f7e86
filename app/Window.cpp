#include "app/Window.h"

#include "app/Program.h"
#include "app/ProgramWindowMarker.h"
#include "web/Gbk.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

namespace orbisel {

Q_LOGGING_CATEGORY(lcWindow, "orbisel.window")

struct Window::Control {
    ControlRow row;
    QWidget *widget = nullptr;
    QTimer *timer = nullptr;
    int period = 0;
    std::function<void()> handler;
    // Edit boxes keep their GBK value; the widget is refreshed lazily while hidden.
    Text value;
    bool valueValid = true;
    bool widgetStale = false;
    bool settingWidget = false;
};

namespace {

QString toWidgetText(const Text &gbk) {
    QString s = fromGbk(gbk);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

Text fromWidgetText(QString s) {
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toGbk(s);
}

// Room a window manager's title bar and borders take around a window.
constexpr QSize kFrameAllowance(16, 40);

// 50 pixels from the top left of the screen's free area, or closer as far as the
// window and its frame need to fit.
QPoint openingPosition(QSize size, const QScreen *screen) {
    constexpr int kOffset = 50;
    if (!screen)
        return {kOffset, kOffset};
    const QRect free = screen->availableGeometry();
    const QSize framed = size + kFrameAllowance;
    return {std::max(free.left(), std::min(free.left() + kOffset, free.right() + 1 - framed.width())),
            std::max(free.top(), std::min(free.top() + kOffset, free.bottom() + 1 - framed.height()))};
}

} // namespace

Window::Window(WindowId id, const WindowLayout &layout)
    : QWidget(nullptr), m_id(id), m_visibleWhenCreated(layout.visibleWhenCreated) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("LumaFrame"));
    resize(layout.width, layout.height);
    move(openingPosition(size(), screen()));
    setWindowTitle(QString::fromStdString(layout.caption)); // names the window in framework warnings
    build(layout);
    setCaption(gbk(layout.caption));
}

Window::~Window() = default;

void Window::build(const WindowLayout &layout) {
    for (const ControlRow &row : layout.controls) {
        auto c = std::make_unique<Control>();
        c->row = row;
        QWidget *parent = this;
        if (!row.container.empty()) {
            if (QWidget *box = control(row.container).widget)
                parent = box;
            else
                c->row.container.clear(); // warned once; the control sits on the window
        }
        if (row.kind == ControlKind::Timer) {
            c->timer = new QTimer(this);
            c->timer->setTimerType(Qt::PreciseTimer);
            Control *raw = c.get();
            connect(c->timer, &QTimer::timeout, this, [this, raw] {
                if (!m_closed && raw->handler)
                    raw->handler();
            });
        } else {
            c->widget = createWidget(row, parent);
            c->widget->setObjectName(QString::fromStdString(row.name));
            c->widget->setGeometry(row.x, row.y, row.w, row.h);
            c->widget->setEnabled(row.enabled);
            c->widget->setVisible(row.shown);
            if (row.fontPixels > 0 || row.bold) {
                QFont f = c->widget->font();
                if (row.fontPixels > 0)
                    f.setPixelSize(row.fontPixels);
                f.setBold(row.bold);
                c->widget->setFont(f);
            }
            if (!row.styleSheet.empty())
                c->widget->setStyleSheet(QString::fromStdString(row.styleSheet));
        }
        Control *raw = c.get();
        m_controls.emplace(row.name, std::move(c));
        if (row.kind == ControlKind::Edit || row.kind == ControlKind::MultiLineEdit) {
            raw->value = gbk(row.text);
            pushTextToWidget(*raw);
            if (auto *line = qobject_cast<QLineEdit *>(raw->widget))
                connect(line, &QLineEdit::textEdited, this, [raw] { raw->valueValid = false; });
            if (auto *plain = qobject_cast<QPlainTextEdit *>(raw->widget))
                connect(plain, &QPlainTextEdit::textChanged, this, [raw] {
                    if (!raw->settingWidget)
                        raw->valueValid = false;
                });
        }
        if (auto *button = qobject_cast<QPushButton *>(raw->widget))
            connect(button, &QPushButton::clicked, this, [this, name = row.name] { click(name); });
    }
}

QWidget *Window::createWidget(const ControlRow &row, QWidget *parent) {
    const QString text = QString::fromStdString(row.text);
    switch (row.kind) {
    case ControlKind::Label:
        return new QLabel(text, parent);
    case ControlKind::Button:
        return new QPushButton(text, parent);
    case ControlKind::CheckBox: {
        auto *box = new QCheckBox(text, parent);
        box->setChecked(row.checked);
        return box;
    }
    case ControlKind::Edit:
        return new QLineEdit(parent);
    case ControlKind::MultiLineEdit: {
        auto *edit = new QPlainTextEdit(parent);
        if (row.scrollBars) {
            edit->setLineWrapMode(QPlainTextEdit::NoWrap);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        }
        return edit;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::ShapeBox: {
        auto *frame = new QFrame(parent);
        frame->setFrameShape(QFrame::Box);
        return frame;
    }
    case ControlKind::ProgressBar: {
        auto *bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case ControlKind::Custom:
        return row.make ? row.make(parent) : new QWidget(parent);
    case ControlKind::Timer:
        break;
    }
    return new QWidget(parent);
}

// An unknown name (a programming error) gets an inert control instead of a
// crash; the warning fails any test that meets it, from the binding on.
Window::Control &Window::control(const std::string &name) {
    auto it = m_controls.find(name);
    if (it != m_controls.end())
        return *it->second;
    qCWarning(lcWindow, "window \"%s\" has no control named \"%s\"", qUtf8Printable(windowTitle()),
              name.c_str());
    static Control inert;
    inert = Control{};
    inert.row.kind = ControlKind::Timer;
    return inert;
}

const Window::Control &Window::control(const std::string &name) const {
    return const_cast<Window *>(this)->control(name);
}

bool Window::hasControl(const std::string &name) const {
    return m_controls.count(name) != 0;
}

QWidget *Window::widget(const std::string &name) const {
    return control(name).widget;
}

Text Window::caption() const {
    return m_caption;
}

void Window::setCaption(const Text &gbkCaption) {
    m_caption = gbkCaption;
    setWindowTitle(fromGbk(gbkCaption));
    publishCaption();
}

void Window::publishCaption() {
    m_marker.reset();
    if (!m_caption.empty() && !m_closed)
        m_marker = std::make_unique<ProgramWindowMarker>(programWindowServerName(m_caption));
}

bool Window::effectivelyShown(const Control &c) const {
    if (!c.row.shown)
        return false;
    if (c.row.container.empty())
        return true;
    return effectivelyShown(control(c.row.container));
}

void Window::pushTextToWidget(Control &c) {
    if (!effectivelyShown(c)) {
        c.widgetStale = true;
        return;
    }
    c.widgetStale = false;
    c.settingWidget = true;
    if (auto *line = qobject_cast<QLineEdit *>(c.widget))
        line->setText(fromGbk(c.value));
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(c.widget))
        plain->setPlainText(toWidgetText(c.value));
    c.settingWidget = false;
}

void Window::syncStaleWidgets() {
    for (auto &[name, c] : m_controls)
        if (c->widgetStale && effectivelyShown(*c))
            pushTextToWidget(*c);
}

Text Window::text(const std::string &name) const {
    const Control &c = control(name);
    switch (c.row.kind) {
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
        if (!c.valueValid) {
            auto &mut = const_cast<Control &>(c);
            if (auto *line = qobject_cast<QLineEdit *>(c.widget))
                mut.value = toGbk(line->text());
            else if (auto *plain = qobject_cast<QPlainTextEdit *>(c.widget))
                mut.value = fromWidgetText(plain->toPlainText());
            mut.valueValid = true;
        }
        return c.value;
    case ControlKind::Label:
        return toGbk(static_cast<QLabel *>(c.widget)->text());
    case ControlKind::Button:
    case ControlKind::CheckBox:
        return toGbk(static_cast<QAbstractButton *>(c.widget)->text());
    case ControlKind::GroupBox:
        return toGbk(static_cast<QGroupBox *>(c.widget)->title());
    default:
        return {};
    }
}

void Window::setText(const std::string &name, const Text &value) {
    Control &c = control(name);
    switch (c.row.kind) {
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
        c.value = value;
        c.valueValid = true;
        pushTextToWidget(c);
        break;
    case ControlKind::Label:
        static_cast<QLabel *>(c.widget)->setText(fromGbk(value));
        break;
    case ControlKind::Button:
    case ControlKind::CheckBox:
        static_cast<QAbstractButton *>(c.widget)->setText(fromGbk(value));
        break;
    case ControlKind::GroupBox:
        static_cast<QGroupBox *>(c.widget)->setTitle(fromGbk(value));
        break;
    default:
        break;
    }
}

void Window::appendText(const std::string &name, const Text &value) {
    Control &c = control(name);
    if (c.row.kind != ControlKind::Edit && c.row.kind != ControlKind::MultiLineEdit)
        return;
    if (!c.valueValid)
        (void)text(name);
    c.value += value;
    if (c.widgetStale || !effectivelyShown(c)) {
        c.widgetStale = true;
        return;
    }
    c.settingWidget = true;
    if (auto *plain = qobject_cast<QPlainTextEdit *>(c.widget)) {
        QTextCursor cursor(plain->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(toWidgetText(value));
        plain->setTextCursor(cursor);
        plain->ensureCursorVisible();
    } else if (auto *line = qobject_cast<QLineEdit *>(c.widget)) {
        line->setText(fromGbk(c.value));
    }
    c.settingWidget = false;
}

QString Window::typedText(const std::string &name) const {
    const Control &c = control(name);
    if (!c.widgetStale) {
        if (auto *line = qobject_cast<QLineEdit *>(c.widget))
            return line->text();
        if (auto *plain = qobject_cast<QPlainTextEdit *>(c.widget))
            return plain->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    }
    return fromGbk(text(name));
}

void Window::setTypedText(const std::string &name, const QString &value) {
    Control &c = control(name);
    auto *line = qobject_cast<QLineEdit *>(c.widget);
    auto *plain = qobject_cast<QPlainTextEdit *>(c.widget);
    if (!line && !plain)
        return;
    // The widget holds the text even while hidden: the GBK value would lose characters.
    c.widgetStale = false;
    c.settingWidget = true;
    if (line)
        line->setText(value);
    else
        plain->setPlainText(QString(value).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    c.settingWidget = false;
    c.valueValid = false;
}

bool Window::checked(const std::string &name) const {
    auto *box = qobject_cast<QCheckBox *>(control(name).widget);
    return box && box->isChecked();
}

void Window::setChecked(const std::string &name, bool on) {
    if (auto *box = qobject_cast<QCheckBox *>(control(name).widget))
        box->setChecked(on);
}

int Window::timerPeriod(const std::string &name) const {
    return control(name).period;
}

void Window::setTimerPeriod(const std::string &name, int milliseconds) {
    Control &c = control(name);
    if (!c.timer)
        return;
    const int period = milliseconds < 0 ? 0 : milliseconds;
    if (period == c.period)
        return; // the running interval is not restarted
    c.timer->stop();
    c.period = period;
    if (period > 0 && !m_closed)
        c.timer->start(period);
}

bool Window::isShown(const std::string &name) const {
    return control(name).row.shown;
}

void Window::setShown(const std::string &name, bool shown) {
    Control &c = control(name);
    c.row.shown = shown;
    if (c.widget)
        c.widget->setVisible(shown);
    if (shown)
        syncStaleWidgets();
}

bool Window::isControlEnabled(const std::string &name) const {
    const Control &c = control(name);
    return c.widget ? c.widget->isEnabled() : c.row.enabled;
}

void Window::setControlEnabled(const std::string &name, bool enabled) {
    Control &c = control(name);
    c.row.enabled = enabled;
    if (c.widget)
        c.widget->setEnabled(enabled);
}

int Window::progress(const std::string &name) const {
    auto *bar = qobject_cast<QProgressBar *>(control(name).widget);
    return bar ? bar->value() : 0;
}

void Window::setProgress(const std::string &name, int position) {
    if (auto *bar = qobject_cast<QProgressBar *>(control(name).widget))
        bar->setValue(position);
}

void Window::onCreated(std::function<void()> handler) {
    m_created = std::move(handler);
}

void Window::onClick(const std::string &button, std::function<void()> handler) {
    control(button).handler = std::move(handler);
}

void Window::onTick(const std::string &timer, std::function<void()> handler) {
    control(timer).handler = std::move(handler);
}

void Window::click(const std::string &button) {
    Control &c = control(button);
    if (!m_closed && c.handler)
        c.handler();
}

void Window::raiseCreated() {
    if (m_created)
        m_created();
}

void Window::markClosed() {
    if (m_closed)
        return;
    m_closed = true;
    for (auto &[name, c] : m_controls)
        if (c->timer)
            c->timer->stop();
    m_marker.reset();
    emit closed();
}

void Window::closeEvent(QCloseEvent *event) {
    if (!m_closed && !canClose()) {
        event->ignore();
        return;
    }
    event->accept();
    markClosed();
}

void rotateLabel(Window &window, const std::string &label, int &state, const std::array<Text, 3> &texts) {
    if (state < 1 || state > 3)
        return;
    const int shown = state % 3;
    window.setText(label, texts[shown]);
    state = shown + 1;
}

} // namespace orbisel
