#pragma once

#include "app/GlobalState.h"
#include "app/Window.h"

#include <memory>

namespace orbisel {

class SuggestionSource;

// The keyword-mining window: seed box, five result columns, list filters,
// status line rotation and the mining run.
class MainWindow : public Window {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    bool isRunning() const { return m_running; }

    // The window's caption, GBK.
    static Text captionText();

protected:
    bool canClose() override;

private:
    void created();
    void rotateStatusLine();
    void readNotices();
    void runMining();
    void harvestLoop(SuggestionSource &source);
    bool harvestSeed(SuggestionSource &source, const Text &seed);
    void recordWord(SourceKind kind, const Text &seed, const Text &word);
    bool pumpAndContinue();
    bool stopRequested() const { return m_closeRequested; }
    template <class Request> Text request(Request &&send);
    void finishRun();
    void exportClicked();

    bool m_running = false;
    bool m_closeRequested = false;
    bool m_exporting = false;
    QString m_lastExportPath; // offered by the next save dialog
};

WindowLayout mainWindowLayout();
void registerMainWindow();

} // namespace orbisel
