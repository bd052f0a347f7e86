#include "mining/ListActions.h"

#include "app/Program.h"
#include "app/SharedControls.h"
#include "app/Window.h"

namespace orbisel {

void runListFilter(Window &window, const std::string &listBox, const std::string &resultBox) {
    window.setText(resultBox, Text());
    const Text result = listFilter(window.text(kKeywordSeedBox), window.text(listBox));
    if (!result.empty())
        window.appendText(resultBox, result);
}

void openListDownload(ListDownload file) {
    openAddress(listDownloadAddress(file));
}

} // namespace orbisel
