#include "app/FileDialogs.h"

#include "web/Gbk.h"

#include <QApplication>
#include <QFileDialog>
#include <QRegularExpression>

namespace orbisel {
namespace {

std::function<std::optional<QString>(const SaveDialogRequest &)> &dialogHandler() {
    static std::function<std::optional<QString>(const SaveDialogRequest &)> handler;
    return handler;
}

std::optional<QString> showSaveDialog(const SaveDialogRequest &request) {
    QFileDialog dialog(QApplication::activeWindow(), fromGbk(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qtNameFilters(request.filter));
    const QString defaultSuffix = fromGbk(request.defaultExtension);
    dialog.setDefaultSuffix(defaultSuffix);
    // A bare name saved under the CSV filter becomes a .csv file, not the default type.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, defaultSuffix](const QString &filter) {
                         dialog.setDefaultSuffix(suffixForFilter(filter, defaultSuffix));
                     });
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.front();
}

} // namespace

QStringList qtNameFilters(const Text &windowsFilter) {
    const QStringList parts = fromGbk(windowsFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        const QString &pattern = parts[i + 1];
        if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

QString suffixForFilter(const QString &nameFilter, const QString &defaultSuffix) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(nameFilter);
    return match.hasMatch() ? match.captured(1).toLower() : defaultSuffix;
}

std::optional<QString> askSaveFileName(const SaveDialogRequest &request) {
    if (dialogHandler())
        return dialogHandler()(request);
    return showSaveDialog(request);
}

void setSaveFileDialogHandler(std::function<std::optional<QString>(const SaveDialogRequest &)> handler) {
    dialogHandler() = std::move(handler);
}

} // namespace orbisel
