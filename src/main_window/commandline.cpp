// SPDX-License-Identifier: MIT
#include "commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <array>
#include <cstdio>

namespace {

constexpr int UsageError = 2; // as getopt-style programs report a command line they refuse

struct QtOption
{
    const char *name;
    bool takesValue;
};

// The options QGuiApplication, QApplication and the xcb platform take for themselves.
constexpr std::array<QtOption, 22> QtOptions{{
    {"platform", true}, {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true}, {"qwindowtitle", true}, {"session", true},
    {"display", true}, {"geometry", true}, {"name", true}, {"title", true}, {"visual", true},
    {"style", true}, {"stylesheet", true}, {"qmljsdebugger", true}, {"reverse", false},
    {"widgetcount", false}, {"nograb", false}, {"dograb", false}, {"sync", false},
    {"testability", false},
}};

void addQtOptions(QCommandLineParser &parser)
{
    for (const QtOption &qt : QtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// The help text names the program as it was started, which Qt knows only once it runs.
QString helpText(const QCommandLineParser &parser, const QString &executable)
{
    QString text = parser.helpText();
    text.replace(QLatin1StringView("<executable_name>"), QFileInfo(executable).fileName());
    return text;
}

} // namespace

std::optional<CommandLineOutcome> ReadCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's options are words after one dash ("-platform"), so ours read the same way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Shows every installed font family in its own face, one line per family."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addQtOptions(parser);

    const QString executable = arguments.value(0, QStringLiteral("typeshelf"));
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString reason = parser.positionalArguments().isEmpty()
            ? parser.errorText()
            : QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
        return CommandLineOutcome{UsageError, {}, QFileInfo(executable).fileName() + QStringLiteral(": ")
                                                      + reason + u'\n' + helpText(parser, executable)};
    }
    // Qt adds --help-all, for its own options too; they are named in the manual page.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return CommandLineOutcome{0, helpText(parser, executable), {}};
    if (parser.isSet(version))
        return CommandLineOutcome{0, QStringLiteral("Typeshelf %1\n").arg(QStringLiteral(TYPESHELF_VERSION)), {}};
    return std::nullopt;
}

std::optional<int> HandleCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments.append(QString::fromLocal8Bit(argv[index]));
    const std::optional<CommandLineOutcome> outcome = ReadCommandLine(arguments);
    if (!outcome)
        return std::nullopt;
    std::fputs(outcome->standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(outcome->standardError.toLocal8Bit().constData(), stderr);
    return outcome->exitStatus;
}
