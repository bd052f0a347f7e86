#include "deepmining/DeepMiningTexts.h"

#include <QStringList>

namespace orbisel::deepmining {

QString utf8(const std::string &text) {
    return QString::fromStdString(text);
}

QString storeErrorText(const core::StoreError &error) {
    const QString detail = utf8(error.detail);
    switch (error.kind) {
    case core::StoreErrorKind::CannotOpen:
        return QStringLiteral("无法打开任务存储（%1）。").arg(detail);
    case core::StoreErrorKind::Corrupt:
        return QStringLiteral("任务存储文件已损坏或不是任务存储（%1），未作任何改动。").arg(detail);
    case core::StoreErrorKind::Locked:
        return QStringLiteral(
            "这个任务正在被另一个程序（例如命令行 orbisel-mine）运行，同一时间只能有一个程序运行它；"
            "这里仍可查看和导出。");
    case core::StoreErrorKind::NewerProgram:
        return QStringLiteral("任务存储来自更新版本的程序（%1），请升级本软件；文件未作改动。").arg(detail);
    case core::StoreErrorKind::UnknownRun:
        return QStringLiteral("找不到这个任务（%1）。").arg(detail);
    case core::StoreErrorKind::WriteFailed:
        return QStringLiteral("无法写入任务存储（%1），请检查磁盘空间和权限。").arg(detail);
    }
    return detail;
}

QString writeErrorText(const core::WriteError &error) {
    if (error.kind == core::WriteErrorKind::TooManyRows)
        return QStringLiteral("结果行数超过 Excel 工作表的上限，请改用 .csv 或 .jsonl 文件。");
    return QStringLiteral("写入失败，请检查磁盘空间和权限。");
}

QString exportErrorText(const core::ExportError &error) {
    return error.kind == core::ExportErrorKind::Store ? storeErrorText(error.store)
                                                      : writeErrorText(error.write);
}

QString unwritableText(const core::WriteError &error) {
    return error.kind == core::WriteErrorKind::UnknownFormat
               ? QStringLiteral("无法导出：只支持 .xlsx、.csv 和 .jsonl 文件。")
               : QStringLiteral("无法导出：文件夹不能写入（%1）。").arg(utf8(error.detail));
}

QString stateText(core::RunState state) {
    switch (state) {
    case core::RunState::Running:
        return QStringLiteral("运行中");
    case core::RunState::Done:
        return QStringLiteral("完成");
    case core::RunState::Stopped:
        return QStringLiteral("已停止");
    case core::RunState::Blocked:
        return QStringLiteral("被限制");
    case core::RunState::Failed:
        return QStringLiteral("失败");
    }
    return {};
}

QString durationText(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    if (s >= 3600)
        return QStringLiteral("%1时%2分").arg(s / 3600).arg((s % 3600) / 60);
    if (s >= 60)
        return QStringLiteral("%1分%2秒").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1秒").arg(s);
}

QString progressText(const core::RunProgress &progress) {
    QString text = QStringLiteral("查询 %1/%2　词数 %3　每秒 %4 次请求")
                       .arg(progress.queriesDone)
                       .arg(progress.queriesPlanned)
                       .arg(progress.words)
                       .arg(progress.requestsPerSecond, 0, 'f', 1);
    QStringList hosts;
    for (const core::HostRate &rate : progress.hostRates)
        hosts << QStringLiteral("%1 %2 次/秒").arg(utf8(rate.host)).arg(rate.requestsPerSecond, 0, 'f', 1);
    if (!hosts.isEmpty())
        text += QStringLiteral("（当前 %1）").arg(hosts.join(QStringLiteral("，")));
    if (progress.etaSeconds)
        text += QStringLiteral("　预计还需 %1").arg(durationText(*progress.etaSeconds));
    return text;
}

bool isSeedsError(const core::RunInputError &error) {
    return error.kind == core::RunInputErrorKind::Seeds;
}

namespace {

QString seedsErrorText(const core::SeedsError &error) {
    switch (error.kind) {
    case core::SeedsErrorKind::ControlByte:
        return QStringLiteral("种子词第 %1 行含有控制字符（例如制表符），请删掉后再开始。").arg(error.line);
    case core::SeedsErrorKind::BadEncoding:
        return QStringLiteral("种子词第 %1 行不是有效的文字，请检查。").arg(error.line);
    default:
        return QStringLiteral("没有种子词：请在“种子词”框里每行输入一个词。");
    }
}

// Why a word list the seller keeps is refused: `list` names it, `then` says what follows.
enum class ListFault { ControlCharacter, BadEncoding, Unreadable };
QString listErrorText(const QString &list, const std::string &file, ListFault fault, std::size_t line,
                      const QString &then) {
    switch (fault) {
    case ListFault::ControlCharacter:
        return QStringLiteral("%1 %2 第 %3 行含有控制字符（例如制表符），%4")
            .arg(list, utf8(file))
            .arg(line)
            .arg(then);
    case ListFault::BadEncoding:
        return QStringLiteral("%1 %2 第 %3 行不是有效的文字，%4").arg(list, utf8(file)).arg(line).arg(then);
    case ListFault::Unreadable:
        break;
    }
    return QStringLiteral("无法读取%1 %2，%3").arg(list, utf8(file), then);
}

QString modifiersErrorText(const core::SeedsError &error) {
    const ListFault fault = error.kind == core::SeedsErrorKind::ControlByte   ? ListFault::ControlCharacter
                            : error.kind == core::SeedsErrorKind::BadEncoding ? ListFault::BadEncoding
                                                                              : ListFault::Unreadable;
    return listErrorText(QStringLiteral("修饰词文件"), error.detail, fault,
                         static_cast<std::size_t>(error.line), QStringLiteral("请改正。"));
}

} // namespace

QString inputErrorText(const core::RunInputError &error) {
    switch (error.kind) {
    case core::RunInputErrorKind::Seeds:
        return seedsErrorText(error.seeds);
    case core::RunInputErrorKind::Modifiers:
        return modifiersErrorText(error.seeds);
    case core::RunInputErrorKind::NoSources:
    case core::RunInputErrorKind::UnknownSource:
        return QStringLiteral("请至少选择一个来源。");
    case core::RunInputErrorKind::UnknownExpansion:
        return QStringLiteral("未知的扩展方式：%1。").arg(utf8(error.detail));
    case core::RunInputErrorKind::DepthOutOfRange:
        return QStringLiteral("深度须在 %1 到 %2 之间。").arg(core::kMinDepth).arg(core::kMaxDepth);
    case core::RunInputErrorKind::ConcurrencyOutOfRange:
        return QStringLiteral("并发须在 %1 到 %2 之间。")
            .arg(core::kMinConcurrency)
            .arg(core::kMaxConcurrency);
    case core::RunInputErrorKind::CharsOutOfRange:
        return QStringLiteral("字数须在 0 到 %1 之间。").arg(core::kMaxCharsBound);
    case core::RunInputErrorKind::MinAboveMax:
        break;
    }
    return QStringLiteral("最少字数大于最多字数，没有词能保留，请改一下。");
}

QString userDictionaryErrorText(const core::WordListError &error) {
    const ListFault fault = error.kind == core::WordListErrorKind::ControlCharacter
                                ? ListFault::ControlCharacter
                            : error.kind == core::WordListErrorKind::BadEncoding ? ListFault::BadEncoding
                                                                                 : ListFault::Unreadable;
    return listErrorText(QStringLiteral("用户词典"), error.detail, fault, error.line,
                         QStringLiteral("词根暂不使用它。"));
}

QString runEndText(const core::RunEnd &end, long long runId, long long words) {
    using core::RunOutcome;
    if (end.storeError && (end.outcome == RunOutcome::StoreFailed || end.outcome == RunOutcome::Locked))
        return storeErrorText(*end.storeError);
    switch (end.outcome) {
    case RunOutcome::Done:
        return QStringLiteral("完成：任务 %1 共 %2 个词。").arg(runId).arg(words);
    case RunOutcome::MaxQueriesReached:
        return QStringLiteral("完成：已达到查询次数上限，任务 %1 共 %2 个词。").arg(runId).arg(words);
    case RunOutcome::Stopped:
        return QStringLiteral("已停止，结果已保存；点“继续”可接着挖（任务 %1）。").arg(runId);
    case RunOutcome::Blocked:
        return QStringLiteral(
                   "平台连续拒绝请求（访问被限制），任务已停止并保存。请过几个小时再点“继续”（任务 %1）。")
            .arg(runId);
    case RunOutcome::NetworkDown:
        return QStringLiteral("网络不通，任务已停止并保存。请检查网络连接后点“继续”（任务 %1）。").arg(runId);
    case RunOutcome::StoreFailed:
    case RunOutcome::Locked:
        break;
    }
    return end.storeError ? storeErrorText(*end.storeError) : QString();
}

} // namespace orbisel::deepmining
