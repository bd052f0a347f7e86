#include "mining/MainWindow.h"

#include "app/Gbk.h"
#include "app/Program.h"
#include "app/Responsive.h"
#include "mining/ListActions.h"
#include "mining/ResultExport.h"
#include "core/SuggestionSource.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "service/VersionCheck.h"
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

ControlSpec column(const char *name, int x, int y, int w) {
    return {.name = name,
            .kind = ControlKind::MultiLineEdit,
            .x = x,
            .y = y,
            .w = w,
            .h = 432,
            .scrollBars = true};
}

ControlSpec button(const char *name, int x, int y, int w, int h, const char *caption, bool shown = true) {
    return {.name = name,
            .kind = ControlKind::Button,
            .x = x,
            .y = y,
            .w = w,
            .h = h,
            .text = caption,
            .shown = shown};
}

ControlSpec checkbox(const char *name, int x, int y, int w, int h, const char *caption, bool ticked) {
    return {.name = name,
            .kind = ControlKind::CheckBox,
            .x = x,
            .y = y,
            .w = w,
            .h = h,
            .text = caption,
            .checked = ticked};
}

ControlSpec hiddenEdit(const char *name, int x, int y, int w, int h, const char *text = "",
                       const char *container = "", ControlKind kind = ControlKind::Edit) {
    return {.name = name,
            .kind = kind,
            .x = x,
            .y = y,
            .w = w,
            .h = h,
            .text = text,
            .shown = false,
            .container = container};
}

ControlSpec timer(const char *name, const char *container = "") {
    return {.name = name, .kind = ControlKind::Timer, .container = container};
}

} // namespace

std::string mainWindowCaptionUtf8() {
    std::string caption = "Vantelo  --【版本 V6.9.2】  有问题请联系QQ";
    caption += config::kSupportQq;
    caption += std::string(46, ' ') + "全网最全面软件" + std::string(11, ' ') + std::string(115, '-');
    return caption;
}

Text MainWindow::captionText() {
    return gbk(mainWindowCaptionUtf8());
}

WindowSpec mainWindowSpec() {
    WindowSpec spec{.caption = mainWindowCaptionUtf8(), .width = 1223, .height = 591};
    spec.controls = {
        {.name = "外形框1", .kind = ControlKind::ShapeBox, .x = 0, .y = 0, .w = 128, .h = 529},
        {.name = "标签1",
         .kind = ControlKind::Label,
         .x = 8,
         .y = 8,
         .w = 112,
         .h = 24,
         .text = "关键词",
         .container = "外形框1"},
        {.name = "超级编辑框1",
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
        checkbox("选择框1", 129, 7, 107, 30, "PC下拉关键词", true),
        checkbox("选择框2", 252, 7, 110, 30, "箭头词", true),
        checkbox("选择框3", 428, 7, 105, 30, "无线下拉词", true),
        checkbox("选择框4", 587, 7, 100, 30, "长尾词", true),
        checkbox("选择框5", 1076, 7, 111, 30, "你是不是想找", false),
        checkbox("选择框6", 736, 8, 111, 22, "TOP20W无线", true),
        checkbox("选择框7", 896, 8, 111, 22, "潜力词表无线", true),
        column("编辑框1", 128, 35, 120),
        column("编辑框2", 248, 35, 136),
        column("编辑框3", 384, 34, 184),
        column("编辑框4", 568, 33, 168),
        column("编辑框TOP结果", 736, 32, 160),
        column("编辑框潜力结果", 896, 32, 160),
        column("编辑框5", 1056, 33, 160),
        button("按钮8", 144, 472, 128, 24, "潜力词表无线【下载】"),
        button("按钮9", 144, 496, 128, 24, "潜力词表PC【下载】"),
        button("按钮5", 272, 472, 88, 24, "阿里指数查询"),
        button("按钮6", 272, 496, 88, 24, "人群查询"),
        button("按钮10", 360, 472, 128, 24, "TOP20万词表【PC】"),
        button("按钮12", 360, 496, 128, 24, "TOP20万词表【无线】"),
        button("按钮深度挖掘", 496, 470, 112, 24, "深度挖掘"),
        button("按钮11", 920, 504, 88, 24, "删除重复"),
        button("按钮7", 1008, 504, 112, 24, "生意参谋数据共享"),
        button("按钮3", 1120, 464, 96, 32, "帮助"),
        button("按钮4", 1120, 496, 96, 32, "下载新版本"),
        {.name = "标签2",
         .kind = ControlKind::Label,
         .x = 152,
         .y = 536,
         .w = 856,
         .h = 24,
         .text = "VanteloV6.9.2",
         .fontPixels = 21,
         .bold = true},
        timer("时钟1"),
        hiddenEdit("编辑框TOP", 760, 96, 88, 112, "", "", ControlKind::MultiLineEdit),
        hiddenEdit("编辑框潜力", 912, 96, 88, 112, "", "", ControlKind::MultiLineEdit),
        button("按钮18", 768, 64, 56, 16, "", false),
        button("按钮19", 920, 64, 48, 16, "", false),
        hiddenEdit("编辑框7", 368, 272, 232, 32),
        hiddenEdit("编辑框6", 360, 224, 256, 24),
        button("按钮15", 624, 280, 40, 24, "", false),
        button("按钮14", 632, 184, 48, 24, "", false),
        hiddenEdit("编辑框更新", 584, 408, 96, 16),
        button("按钮13", 1008, 480, 112, 24, "更新软件", false),
        {.name = "分组框1",
         .kind = ControlKind::GroupBox,
         .x = 200,
         .y = 72,
         .w = 296,
         .h = 128,
         .shown = false},
        timer("时钟2", "分组框1"),
        {.name = "编辑框9",
         .kind = ControlKind::Edit,
         .x = 32,
         .y = 16,
         .w = 80,
         .h = 24,
         .text = "V6.9.2",
         .container = "分组框1"},
        {.name = "编辑框8",
         .kind = ControlKind::Edit,
         .x = 32,
         .y = 48,
         .w = 72,
         .h = 32,
         .text = "V6.9.2",
         .container = "分组框1"},
        {.name = "编辑框10",
         .kind = ControlKind::Edit,
         .x = 120,
         .y = 24,
         .w = 168,
         .h = 24,
         .container = "分组框1"},
        {.name = "按钮16",
         .kind = ControlKind::Button,
         .x = 144,
         .y = 56,
         .w = 64,
         .h = 24,
         .container = "分组框1"},
        {.name = "按钮17",
         .kind = ControlKind::Button,
         .x = 72,
         .y = 88,
         .w = 48,
         .h = 24,
         .container = "分组框1"},
    };
    return spec;
}

MainWindow::MainWindow() : Window(WindowId::Main, mainWindowSpec()) {
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
    if (!connectService()) {
        serviceStopped(mainServiceStoppedMessage());
        return;
    }
    setText("编辑框TOP", topKeywordList());
    setText("编辑框潜力", potentialKeywordList());
    setTimerPeriod("时钟1", 2000);
    setTimerPeriod("时钟2", 1000);
    globalState().mainRotation = 3;
}

void MainWindow::rotateStatusLine() {
    int &state = globalState().mainRotation;
    switch (state) {
    case 3:
        setText("标签2", gbk(kSlogan));
        state = 1;
        break;
    case 1:
        setText("标签2", text("编辑框7"));
        state = 2;
        break;
    case 2:
        setText("标签2", text("编辑框6"));
        state = 3;
        break;
    default:
        break;
    }
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
    exportButtonClicked(m_lastExportName);
    m_exporting = false;
    setControlEnabled("按钮1", true);
    setControlEnabled("按钮2", true);
    if (m_closeRequested)
        closeWindow(this);
}

void MainWindow::harvestLoop(SuggestionSource &source) {
    for (const Text &seed : splitText(text("超级编辑框1"), "\r\n")) {
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
