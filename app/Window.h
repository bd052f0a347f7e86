#pragma once

#include "web/Text.h"

#include <QLoggingCategory>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QTimer;

namespace orbisel {

// Warnings of the window framework ("orbisel.window"): each one is a
// programming error, such as a handler naming a control its table lacks.
Q_DECLARE_LOGGING_CATEGORY(lcWindow)

// Every window of the catalogue.
enum class WindowId {
    Launcher,
    Main,
    Dedupe,
    Notice,
    UpdateDownloader,
    Index,
    CrowdQuery,
    PayersQuery,
    DataSharing,
    DataSharingBrowser,
    Ledger,
    LedgerEntry,
    DeepMining,
};

enum class ControlKind {
    Label,
    Button,
    CheckBox,
    Edit,          // single-line edit box
    MultiLineEdit, // lines separated by CRLF
    GroupBox,      // container
    ShapeBox,      // container
    Timer,
    ProgressBar, // 0..100
    Custom,      // built by ControlRow::make
};

// One row of a window's control table. Names and texts in the source are UTF-8.
struct ControlRow {
    std::string name;
    ControlKind kind = ControlKind::Label;
    int x = 0, y = 0, w = 0, h = 0;
    std::string text; // caption or initial text
    bool shown = true;
    bool enabled = true;
    std::string container;   // name of the group or shape box that holds it
    bool checked = false;    // checkbox
    bool scrollBars = false; // multi-line edit box with both scroll bars (no wrapping)
    int fontPixels = 0;      // 0 keeps the default font
    bool bold = false;
    std::string styleSheet;
    std::function<QWidget *(QWidget *parent)> make; // Custom
};

// A window's caption, size and control table.
struct WindowLayout {
    std::string caption; // UTF-8
    int width = 0, height = 0;
    bool visibleWhenCreated = true;
    std::vector<ControlRow> controls;
};

// A top-level window built from its control table. Properties are read and
// written as GBK texts; handlers are bound to (control name, event).
class Window : public QWidget {
    Q_OBJECT
public:
    Window(WindowId id, const WindowLayout &layout);
    ~Window() override;

    WindowId windowId() const { return m_id; }
    bool isClosed() const { return m_closed; }
    bool visibleWhenCreated() const { return m_visibleWhenCreated; }

    Text caption() const;
    void setCaption(const Text &gbk);

    Text text(const std::string &control) const;
    void setText(const std::string &control, const Text &gbk);
    void appendText(const std::string &control, const Text &gbk);
    // An edit box's text as typed, lines ended by CRLF: unlike text(), it keeps the
    // characters GBK lacks.
    QString typedText(const std::string &control) const;
    void setTypedText(const std::string &control, const QString &text);

    bool checked(const std::string &control) const;
    void setChecked(const std::string &control, bool on);

    int timerPeriod(const std::string &control) const;
    void setTimerPeriod(const std::string &control, int milliseconds);

    bool isShown(const std::string &control) const;
    void setShown(const std::string &control, bool shown);
    bool isControlEnabled(const std::string &control) const;
    void setControlEnabled(const std::string &control, bool enabled);

    int progress(const std::string &control) const;
    void setProgress(const std::string &control, int position);

    QWidget *widget(const std::string &control) const;
    template <class W> W *widgetAs(const std::string &control) const {
        return qobject_cast<W *>(widget(control));
    }
    bool hasControl(const std::string &control) const;

    // Handlers. click() runs a button's handler directly, as handlers that use
    // hidden buttons as named operations do.
    void onCreated(std::function<void()> handler);
    void onClick(const std::string &button, std::function<void()> handler);
    void onTick(const std::string &timer, std::function<void()> handler);
    void click(const std::string &button);

    // Runs the created handler; called once by loadWindow.
    void raiseCreated();

signals:
    void closed(); // the window is gone for the program (before deletion)

protected:
    // A window may refuse or defer closing (for example while a run is going).
    virtual bool canClose() { return true; }
    void closeEvent(QCloseEvent *event) override;

private:
    struct Control;
    Control &control(const std::string &name);
    const Control &control(const std::string &name) const;
    void build(const WindowLayout &layout);
    QWidget *createWidget(const ControlRow &row, QWidget *parent);
    void pushTextToWidget(Control &c);
    bool effectivelyShown(const Control &c) const;
    void syncStaleWidgets();
    void markClosed();
    void publishCaption();

    WindowId m_id;
    Text m_caption;
    bool m_closed = false;
    bool m_visibleWhenCreated = true;
    std::function<void()> m_created;
    std::unordered_map<std::string, std::unique_ptr<Control>> m_controls;
    std::unique_ptr<class ProgramWindowMarker> m_marker;

    friend void closeWindow(Window *);
};

// Shows the next of three texts in a status label: `state` 3, 1 and 2 show the
// first, second and third text and move on to the next; any other value (the
// rotation was not started) changes nothing.
void rotateLabel(Window &window, const std::string &label, int &state, const std::array<Text, 3> &texts);

} // namespace orbisel
