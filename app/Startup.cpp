#include "app/Startup.h"

#include "app/GlobalState.h"
#include "app/Program.h"
#include "web/Gbk.h"

#include <QApplication>

namespace orbisel {

int runProgram(WindowId startWindow) {
    resetGlobalState();
    QApplication::setQuitOnLastWindowClosed(false);
    if (!loadWindow(startWindow)) {
        if (openWindowCount() > 0)
            return QApplication::exec(); // the start window closed itself during creation
        messageBox(gbk("载入启动窗口失败"));
        return -1;
    }
    return QApplication::exec();
}

} // namespace orbisel
