#include "mining/MainWindow.h"

#include "app/Program.h"
#include "app/Responsive.h"
#include "app/SharedControls.h"
#include "core/marketplace/SuggestionSource.h"
#include "mining/ListActions.h"
#include "mining/ResultExport.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "service/VersionCheck.h"
#include "web/Gbk.h"
#include "web/TextRules.h"

namespace orbisel {
namespace {

struct KindControls {
    SourceKind kind;
    const char *checkbox;
    const char *column;
};

constexpr KindControls kKinds[] = {
    {SourceKind::PcSuggest, "选择框1", "编辑框1"},     {SourceKind::PcArrow, "选择框2", "编辑框2"},
    {SourceKind::MobileSuggest, "选择框3", "编辑框3"}, {SourceKind::LongTail, "选择框4", "编辑框4"},
    {SourceKind::Related, "选择框5", "编辑框5"},
};

const KindControls &controlsOf(SourceKind kind) {
    return kKinds[static_cast<size_t>(kind)];
}

const char *const kSlogan = "Kelmira---我们不生产关键词  我们是关键词的搬运工";

} // namespace

std::string mainWindowCaptionUtf8() {
    std::string caption = std::string("Vantelo  --【版本 ") + config::kVersionText + "】  有问题请联系QQ";
    caption += config::kSupportQq;
    caption += std::string(46, ' ') + "全网最全面软件" + std::string(11, ' ') + std::string(115, '-');
    return caption;
}

Text MainWindow::captionText() {
    return gbk(mainWindowCaptionUtf8());
}

WindowLayout mainWindowLayout() {
    WindowLayout layout{.caption = mainWindowCaptionUtf8(), .width = 1223, .height = 591};
    layout.controls = {
        {.name = "外形框1", .kind = ControlKind::ShapeBox, .x = 0, .y = 0, .w = 128, .h = 529},
        {.name = "标签1",
         .kind = ControlKind::Label,
         .x = 8,
         .y = 8,
         .w = 112,
         .h = 24,
         .text = "关键词",
         .container = "外形框1"},
        {.name = kKeywordSeedBox,
         .kind = ControlKind::MultiLineEdit,
         .x = 2,
         .y = 36,
         .w = 123,
         .h = 429,
         .container = "外形框1"},
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 2,
         .y = 468,
         .w = 124,
         .h = 28,
         .text = "搜索",
         .container = "外形框1"},
        {.name = "按钮2",
         .kind = ControlKind::Button,
         .x = 2,
         .y = 497,
         .w = 124,
         .h = 28,
         .text = "导出结果",
         .container = "外形框1"},
        {.name = "选择框1",
         .kind = ControlKind::CheckBox,
         .x = 129,
         .y = 7,
         .w = 107,
         .h = 30,
         .text = "PC下拉关键词",
         .checked = true},
        {.name = "选择框2",
         .kind = ControlKind::CheckBox,
         .x = 252,
         .y = 7,
         .w = 110,
         .h = 30,
         .text = "箭头词",
         .checked = true},
        {.name = "选择框3",
         .kind = ControlKind::CheckBox,
         .x = 428,
         .y = 7,
         .w = 105,
         .h = 30,
         .text = "无线下拉词",
         .checked = true},
        {.name = "选择框4",
         .kind = ControlKind::CheckBox,
         .x = 587,
         .y = 7,
         .w = 100,
         .h = 30,
         .text = "长尾词",
         .checked = true},
        {.name = "选择框5",
         .kind = ControlKind::CheckBox,
         .x = 1076,
         .y = 7,
         .w = 111,
         .h = 30,
         .text = "你是不是想找"},
        {.name = "选择框6",
         .kind = ControlKind::CheckBox,
         .x = 736,
         .y = 8,
         .w = 111,
         .h = 22,
         .text = "TOP20W无线",
         .checked = true},
        {.name = "选择框7",
         .kind = ControlKind::CheckBox,
         .x = 896,
         .y = 8,
         .w = 111,
         .h = 22,
         .text = "潜力词表无线",
         .checked = true},
        {.name = "编辑框1",
         .kind = ControlKind::MultiLineEdit,
         .x = 128,
         .y = 35,
         .w = 120,
         .h = 432,
         .scrollBars = true},
        {.name = "编辑框2",
         .kind = ControlKind::MultiLineEdit,
         .x = 248,
         .y = 35,
         .w = 136,
         .h = 432,
         .scrollBars = true},
        {.name = "编辑框3",
         .kind = ControlKind::MultiLineEdit,
         .x = 384,
         .y = 34,
         .w = 184,
         .h = 432,
         .scrollBars = true},
        {.name = "编辑框4",
         .kind = ControlKind::MultiLineEdit,
         .x = 568,
         .y = 33,
         .w = 168,
         .h = 432,
         .scrollBars = true},
        {.name = "编辑框TOP结果",
         .kind = ControlKind::MultiLineEdit,
         .x = 736,
         .y = 32,
         .w = 160,
         .h = 432,
         .scrollBars = true},
        {.name = "编辑框潜力结果",
         .kind = ControlKind::MultiLineEdit,
         .x = 896,
         .y = 32,
         .w = 160,
         .h = 432,
         .scrollBars = true},
        {.name = "编辑框5",
         .kind = ControlKind::MultiLineEdit,
         .x = 1056,
         .y = 33,
         .w = 160,
         .h = 432,
         .scrollBars = true},
        {.name = "按钮8",
         .kind = ControlKind::Button,
         .x = 144,
         .y = 472,
         .w = 128,
         .h = 24,
         .text = "潜力词表无线【下载】"},
        {.name = "按钮9",
         .kind = ControlKind::Button,
         .x = 144,
         .y = 496,
         .w = 128,
         .h = 24,
         .text = "潜力词表PC【下载】"},
        {.name = "按钮5",
         .kind = ControlKind::Button,
         .x = 272,
         .y = 472,
         .w = 88,
         .h = 24,
         .text = "阿里指数查询"},
        {.name = "按钮6",
         .kind = ControlKind::Button,
         .x = 272,
         .y = 496,
         .w = 88,
         .h = 24,
         .text = "人群查询"},
        {.name = "按钮10",
         .kind = ControlKind::Button,
         .x = 360,
         .y = 472,
         .w = 128,
         .h = 24,
         .text = "TOP20万词表【PC】"},
        {.name = "按钮12",
         .kind = ControlKind::Button,
         .x = 360,
         .y = 496,
         .w = 128,
         .h = 24,
         .text = "TOP20万词表【无线】"},
        {.name = "按钮深度挖掘",
         .kind = ControlKind::Button,
         .x = 496,
         .y = 470,
         .w = 112,
         .h = 24,
         .text = "深度挖掘"},
        {.name = "按钮11",
         .kind = ControlKind::Button,
         .x = 920,
         .y = 504,
         .w = 88,
         .h = 24,
         .text = "删除重复"},
        {.name = "按钮7",
         .kind = ControlKind::Button,
         .x = 1008,
         .y = 504,
         .w = 112,
         .h = 24,
         .text = "生意参谋数据共享"},
        {.name = "按钮3", .kind = ControlKind::Button, .x = 1120, .y = 464, .w = 96, .h = 32, .text = "帮助"},
        {.name = "按钮4",
         .kind = ControlKind::Button,
         .x = 1120,
         .y = 496,
         .w = 96,
         .h = 32,
         .text = "下载新版本"},
        {.name = "标签2",
         .kind = ControlKind::Label,
         .x = 152,
         .y = 536,
         .w = 856,
         .h = 24,
         .text = std::string("Vantelo") + config::kVersionText,
         .fontPixels = 21,
         .bold = true},
        {.name = "时钟1", .kind = ControlKind::Timer},
        {.name = "编辑框TOP",
         .kind = ControlKind::MultiLineEdit,
         .x = 760,
         .y = 96,
         .w = 88,
         .h = 112,
         .shown = false},
        {.name = "编辑框潜力",
         .kind = ControlKind::MultiLineEdit,
         .x = 912,
         .y = 96,
         .w = 88,
         .h = 112,
         .shown = false},
        {.name = "按钮18", .kind = ControlKind::Button, .x = 768, .y = 64, .w = 56, .h = 16, .shown = false},
        {.name = "按钮19", .kind = ControlKind::Button, .x = 920, .y = 64, .w = 48, .h = 16, .shown = false},
        {.name = "编辑框7", .kind = ControlKind::Edit, .x = 368, .y = 272, .w = 232, .h = 32, .shown = false},
        {.name = "编辑框6", .kind = ControlKind::Edit, .x = 360, .y = 224, .w = 256, .h = 24, .shown = false},
        {.name = "按钮15", .kind = ControlKind::Button, .x = 624, .y = 280, .w = 40, .h = 24, .shown = false},
        {.name = "按钮14", .kind = ControlKind::Button, .x = 632, .y = 184, .w = 48, .h = 24, .shown = false},
        {.name = "编辑框更新",
         .kind = ControlKind::Edit,
         .x = 584,
         .y = 408,
         .w = 96,
         .h = 16,
         .shown = false},
        {.name = "按钮13",
         .kind = ControlKind::Button,
         .x = 1008,
         .y = 480,
         .w = 112,
         .h = 24,
         .text = "更新软件",
         .shown = false},
    };
    addVersionCheckControls(layout.controls, VersionCheckHost::KeywordWindow, 200, 72);
    return layout;
}

MainWindow::MainWindow() : Window(WindowId::Main, mainWindowLayout()) {
    onCreated([this] { created(); });
    onTick("时钟1", [this] {
        rotateStatusLine();
        readNotices();
    });
    onClick("按钮1", [this] { runMining(); });
    onClick("按钮15", [this] { setText("编辑框7", readServiceRow(gbk("账号=666"))[3]); });
    onClick("按钮14", [this] { setText("编辑框6", readServiceRow(gbk("账号=555"))[3]); });
    installMainVersionCheck(*this);
    onClick("按钮18", [this] { runListFilter(*this, "编辑框TOP", "编辑框TOP结果"); });
    onClick("按钮19", [this] { runListFilter(*this, "编辑框潜力", "编辑框潜力结果"); });
    onClick("按钮8", [] { openListDownload(ListDownload::PotentialMobile); });
    onClick("按钮9", [] { openListDownload(ListDownload::PotentialPc); });
    onClick("按钮10", [] { openListDownload(ListDownload::TopPc); });
    onClick("按钮12", [] { openListDownload(ListDownload::TopMobile); });
    onClick("按钮2", [this] { exportClicked(); });
    onClick("按钮3", [] { openAddress(config::kSupportChatLink); });
    onClick("按钮6", [] {
        messageBox(gbk("暂时无法使用，请更新版本"), kMbOk, gbk("爆单提醒"));
        openAddress(config::kSupportChatLink);
    });
    onClick("按钮5", [] { loadWindow(WindowId::Index); });
    onClick("按钮7", [] { loadWindow(WindowId::DataSharing); });
    onClick("按钮11", [] { loadWindow(WindowId::Dedupe); });
    onClick("按钮深度挖掘", [] { loadWindow(WindowId::DeepMining); });
}

MainWindow::~MainWindow() = default;

void MainWindow::created() {
    if (!connectOrStop(*this, mainServiceStoppedMessage()))
        return;
    setText("编辑框TOP", topKeywordList());
    setText("编辑框潜力", potentialKeywordList());
    setTimerPeriod("时钟1", 2000);
    setTimerPeriod("时钟2", 1000);
    globalState().mainRotation = 3;
}

void MainWindow::rotateStatusLine() {
    rotateLabel(*this, "标签2", globalState().mainRotation, {gbk(kSlogan), text("编辑框7"), text("编辑框6")});
}

void MainWindow::readNotices() {
    click("按钮15");
    click("按钮14");
    click("按钮16");
}

bool MainWindow::canClose() {
    if (!m_running && !m_exporting)
        return true;
    m_closeRequested = true; // the run stops at its next step (an export at its end) and closes the window
    return false;
}

void MainWindow::runMining() {
    if (m_running || m_exporting)
        return;
    m_running = true;
    setControlEnabled("按钮1", false);
    setControlEnabled("按钮2", false);

    for (const KindControls &k : kKinds)
        setText(k.column, {});
    GlobalState &g = globalState();
    g.seedLog.clear();
    for (TextArray &items : g.harvest)
        items.clear();

    std::unique_ptr<SuggestionSource> source = makeSuggestionSource();
    harvestLoop(*source);
    if (!stopRequested()) {
        if (checked("选择框6"))
            click("按钮18");
        if (checked("选择框7"))
            click("按钮19");
    }
    finishRun();
}

void MainWindow::finishRun() {
    m_running = false;
    setControlEnabled("按钮1", true);
    setControlEnabled("按钮2", true);
    if (m_closeRequested)
        closeWindow(this);
}

// Refused during a run; no run starts while the export dispatches input.
void MainWindow::exportClicked() {
    if (m_running || m_exporting)
        return;
    m_exporting = true;
    setControlEnabled("按钮1", false);
    setControlEnabled("按钮2", false);
    exportButtonClicked(m_lastExportPath);
    m_exporting = false;
    setControlEnabled("按钮1", true);
    setControlEnabled("按钮2", true);
    if (m_closeRequested)
        closeWindow(this);
}

void MainWindow::harvestLoop(SuggestionSource &source) {
    for (const Text &seed : splitText(text(kKeywordSeedBox), "\r\n")) {
        if (!harvestSeed(source, seed))
            return;
        globalState().seedLog.push_back(seed);
        if (!pumpAndContinue())
            return;
    }
}

template <class Request> Text MainWindow::request(Request &&send) {
    return waitResponsive(std::forward<Request>(send));
}

// Steps a to g for one seed; false when the run must stop.
bool MainWindow::harvestSeed(SuggestionSource &source, const Text &seed) {
    Text pcResponse;
    Text mobileResponse;
    if (checked("选择框1"))
        pcResponse = request([&] { return source.pcSuggestRequest(seed); });
    if (stopRequested())
        return false;
    if (checked("选择框3"))
        mobileResponse = request([&] { return source.mobileSuggestRequest(seed); });
    if (stopRequested())
        return false;
    TextArray mobileWords;

    if (checked("选择框1")) {
        const std::optional<TextArray> words = source.pcSuggest(pcResponse);
        if (!words) {
            messageBox(gbk("抓取下拉词失败"));
        } else {
            for (size_t i = 0; i < words->size(); ++i) {
                recordWord(SourceKind::PcSuggest, seed, (*words)[i]);
                if (!checked("选择框2"))
                    continue;
                for (const Text &arrow : source.pcArrow(static_cast<int>(i), (*words)[i])) {
                    recordWord(SourceKind::PcArrow, seed, arrow);
                    if (!pumpAndContinue())
                        return false;
                }
            }
        }
        if (stopRequested())
            return false;
    }

    if (checked("选择框3")) {
        const std::optional<TextArray> words = source.mobileSuggest(mobileResponse);
        if (!words) {
            messageBox(gbk("移动端抓取下拉词失败"));
        } else {
            for (const Text &word : *words) {
                mobileWords.push_back(word);
                recordWord(SourceKind::MobileSuggest, seed, word);
                if (!pumpAndContinue())
                    return false;
            }
        }
        if (stopRequested())
            return false;
    }

    if (checked("选择框5")) {
        const Text page = request([&] { return source.relatedRequest(seed); });
        if (stopRequested())
            return false;
        if (const std::optional<TextArray> words = source.related(page)) {
            for (const Text &word : *words) {
                recordWord(SourceKind::Related, seed, word);
                if (!pumpAndContinue())
                    return false;
            }
        }
    }

    if (checked("选择框4")) {
        for (const Text &mobileWord : mobileWords) {
            const Text response = request([&] { return source.mobileSuggestRequest(mobileWord); });
            if (stopRequested())
                return false;
            const std::optional<TextArray> words = source.longTail(response);
            if (!words) {
                messageBox(gbk("移动端抓取下拉词失败"));
                if (stopRequested())
                    return false;
                continue;
            }
            for (const Text &word : *words) {
                recordWord(SourceKind::LongTail, seed, word);
                if (!pumpAndContinue())
                    return false;
            }
        }
    }
    return true;
}

void MainWindow::recordWord(SourceKind kind, const Text &seed, const Text &word) {
    appendText(controlsOf(kind).column, word + "\r\n");
    globalState().harvestOf(kind).push_back(seed + "|" + word);
}

bool MainWindow::pumpAndContinue() {
    pumpPendingInput();
    return !stopRequested();
}

void registerMainWindow() {
    registerWindow(WindowId::Main, [] { return new MainWindow; });
}

} // namespace orbisel
