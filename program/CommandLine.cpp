#include "program/CommandLine.h"

#include "orbisel/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace orbisel {

std::optional<int> answerCommandLine(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orbisel"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(config::kProgramVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Desktop toolbox for Taobao sellers: keyword research, a bookkeeping ledger and "
                       "marketplace web tools.\nWithout options it opens the launcher window."));
    // Own options rather than addHelpOption(), whose --help-all only process() answers.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and exits."));
    parser.addOption(help);
    parser.addOption(version);
    // Qt's own options (-platform, -reverse, ...) are single-dash words, never bundled letters;
    // they and Chromium's options are left to QApplication.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.parse(QCoreApplication::arguments());

    QString answer;
    if (parser.isSet(help))
        answer = parser.helpText();
    else if (parser.isSet(version))
        answer = QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n';
    else
        return std::nullopt;
    const QByteArray text = answer.toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace orbisel
