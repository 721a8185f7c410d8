#include "commandline.h"

#include "cli_cuesheet.h"
#include "cli_fleet.h"
#include "cli_history.h"
#include "cli_players.h"
#include "cli_produce.h"

#include "storage/cardstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <vector>

namespace Vexolo::CommandLine {

std::span<const Verb> verbs()
{
    // One row per verb, in the order of the help text, such as
    //     {u"check", u"<card folder>", u"Checks the card's files.", &runCheck},
    // with the run function in the verb's own file and its header included above.
    static const std::vector<Verb> table = {
        {u"check", u"<card folder> [--json] [--repair]",
         u"Reports every inconsistency on the card; changes nothing unless told to repair what it can.", &runCheck},
        {u"compare", u"<card folder A> <card folder B> [--json]", u"Reports where the setups of two cards differ.",
         &runCompare},
        {u"copy-setup", u"<from card folder> <to card folder> [--dry-run]",
         u"Copies programs, names and command files onto the other card and reads them back.", &runCopySetup},
        {u"cue-sheet", u"<card folder> <program number> <file.pdf>",
         u"Writes the cue sheet of a program on the card as a PDF.", &runCueSheet, true},
        {u"history", u"<card folder | player name> [<version id>] [--limit <count>] [--json]",
         u"Lists the versions of the card's (or the player's cards') setup kept on this computer, newest first, each "
         u"id first; with a version, what changed on the card since, one line a change.",
         &runHistory},
        {u"restore", u"<card folder> <version id> [--dry-run]",
         u"Makes the card's setup what that version held, and reads it back.", &runRestore},
        {u"register", u"<card folder> <player name> [--location <text>] [--notes <text>]",
         u"Ties the card to a player of the fleet.", &runRegister},
        {u"player", u"<player name> [--rename <new name>] [--location <text>] [--notes <text>]",
         u"Renames the player or sets its location or notes, and prints what the register holds of it.", &runPlayer},
        {u"forget", u"<card folder | player name>", u"Takes the player off the register; its card's history is kept.",
         &runForget},
        {u"fleet", u"[--json] [--reference <folder>]",
         u"Prints the players: card, location, last apply and its result and, with a reference, whether each "
         u"player's last known setup matches it.",
         &runFleet},
        {u"identify", u"<card folder>", u"Prints the name of the card's player; status 1 when it has none.",
         &runIdentify},
        {u"apply", u"<reference folder> <card folder> [--dry-run]",
         u"Makes the card match the reference: its tracks and setup, verified and logged.", &runApply},
        {u"produce", u"<reference folder> [--count <cards>] [--name-prefix <text>]",
         u"Makes each card inserted match the reference, one line a card, until the count (else one a player) is "
         u"verified or Ctrl+C; unregistered cards only when named by the prefix and a number.",
         &runProduce},
        {u"log", u"[--json]", u"Prints the fleet log: every apply and restore and how it ended.", &runLog},
        {u"sync", u"[<remote>]",
         u"Pulls and pushes the fleet's data with a git remote (a path or a URL), remembered after the first use.",
         &runSync},
    };
    return table;
}

namespace {

using namespace Qt::StringLiterals;

constexpr QLatin1StringView program("vexolo-playlist-setup");

// The toolkit's own options for the window; QApplication reads them, so they must not be misread here
// (a run of single letters, or a value taken for the card folder).
struct ToolkitOption
{
    QLatin1StringView name;
    bool takesValue;
};
constexpr ToolkitOption toolkitOptions[] = {
    // clang-format off
    {"platform"_L1, true}, {"platformpluginpath"_L1, true}, {"platformtheme"_L1, true}, {"plugin"_L1, true},
    {"qwindowgeometry"_L1, true}, {"geometry"_L1, true}, {"qwindowtitle"_L1, true}, {"title"_L1, true},
    {"qwindowicon"_L1, true}, {"icon"_L1, true}, {"display"_L1, true}, {"name"_L1, true}, {"visual"_L1, true},
    {"session"_L1, true}, {"style"_L1, true}, {"stylesheet"_L1, true}, {"qmljsdebugger"_L1, true},
    {"reverse"_L1, false}, {"widgetcount"_L1, false}, {"sync"_L1, false}, {"nograb"_L1, false},
    {"dograb"_L1, false},
    // clang-format on
};

QString helpText(const QCommandLineParser &parser, std::span<const Verb> known)
{
    QString text = parser.helpText();
    // The parser's own usage line names the executable as started; ours names both forms.
    text.remove(0, text.indexOf(u'\n') + 1);
    text.prepend(QStringLiteral("Usage: %1 [options] [card folder]\n       %1 <command> [arguments]\n").arg(program));
    if (!known.empty()) {
        text += QStringLiteral("\nCommands (they need no display):\n");
        for (const Verb &verb : known)
            text += QStringLiteral("  %1 %2\n      %3\n").arg(verb.name, verb.synopsis, verb.summary);
    }
    return text;
}

QString verbNames(std::span<const Verb> known)
{
    QStringList names;
    for (const Verb &verb : known)
        names.append(verb.name.toString());
    return names.join(QStringLiteral(", "));
}

// A word without a slash that names no folder here is taken for a mistyped command.
bool namesFolder(const QString &argument)
{
    return argument.contains(u'/') || QFileInfo(argument).isDir();
}

} // namespace

namespace {

// The window's options and the toolkit's, hidden from the help, which QApplication reads later.
void addOptions(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.setApplicationDescription(QStringLiteral(
        "Prepares playlists and track settings on the SD card of a Vexolo player. Given a card folder, the window "
        "opens with that folder chosen."));
    for (const ToolkitOption &toolkit : toolkitOptions) {
        QCommandLineOption option(toolkit.name);
        if (toolkit.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(QStringLiteral("card folder"), QStringLiteral("The card's folder, as if typed."),
                                 QStringLiteral("[card folder]"));
}

} // namespace

Request parse(const QStringList &arguments, std::span<const Verb> known, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addOptions(parser);

    Request request;
    if (!parser.parse(arguments)) {
        err << program << ": " << parser.errorText() << " (see --help)\n";
        request.exitCode = ExitUsage;
        return request;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out << helpText(parser, known);
        request.exitCode = ExitSuccess;
        return request;
    }
    if (parser.isSet(version)) {
        out << program << ' ' << QCoreApplication::applicationVersion() << '\n';
        request.exitCode = ExitSuccess;
        return request;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return request;
    const QString &first = positional.constFirst();
    for (const Verb &verb : known) {
        if (verb.name != first)
            continue;
        const QStringList rest = positional.mid(1);
        if (rest == QStringList {QStringLiteral("--help")} || rest == QStringList {QStringLiteral("-h")}) {
            out << "Usage: " << program << ' ' << verb.name << ' ' << verb.synopsis << '\n' << verb.summary << '\n';
            request.exitCode = ExitSuccess;
            return request;
        }
        request.verb = &verb;
        request.verbArguments = rest;
        return request;
    }
    if (!namesFolder(first)) {
        err << program << ": \"" << first << "\" is neither a command";
        if (!known.empty())
            err << " (" << verbNames(known) << ')';
        err << " nor a folder (see --help)\n";
        request.exitCode = ExitUsage;
        return request;
    }
    if (positional.size() > 1) {
        err << program << ": one card folder at most, not " << positional.size() << " arguments (see --help)\n";
        request.exitCode = ExitUsage;
        return request;
    }
    request.cardFolder = QDir::cleanPath(QFileInfo(first).absoluteFilePath());
    return request;
}

int usage(QStringView verb, QTextStream &err)
{
    for (const Verb &known : verbs()) {
        if (known.name == verb)
            err << "Usage: " << program << ' ' << known.name << ' ' << known.synopsis << '\n';
    }
    return ExitUsage;
}

Arguments split(const QStringList &arguments)
{
    Arguments split;
    for (const QString &argument : arguments)
        (argument.startsWith(QStringLiteral("--")) ? split.options : split.cards).append(argument);
    return split;
}

bool onlyOption(const Arguments &arguments, const QString &option, bool &given)
{
    given = arguments.options == QStringList {option};
    return given || arguments.options.isEmpty();
}

bool chooseCard(CardStore &store, const QString &card, QTextStream &err)
{
    store.choose(QDir::cleanPath(QDir::current().absoluteFilePath(card)));
    if (store.identity().isValid())
        return true;
    err << card << QStringLiteral(": no card folder there (a card is an existing folder, not a system one)\n");
    return false;
}

bool displayAvailable(const QStringList &arguments, QTextStream &err)
{
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    QString display = qEnvironmentVariable("DISPLAY");
    for (qsizetype at = 1; at + 1 < arguments.size(); ++at) {
        QString option = arguments.at(at);
        if (option.startsWith(QLatin1StringView("--")))
            option.remove(0, 1);
        if (option == QLatin1StringView("-platform"))
            platform = arguments.at(at + 1);
        else if (option == QLatin1StringView("-display"))
            display = arguments.at(at + 1);
    }
    // "xcb;wayland" tries in order, "xcb:option" carries options: the first name decides.
    platform = platform.section(u';', 0, 0).section(u':', 0, 0);
    if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    if ((platform.isEmpty() || platform == QLatin1StringView("xcb")) && display.isEmpty()) {
        err << program << ": cannot open a display (DISPLAY is not set); the window needs one, the commands do not"
            << " (see --help)\n";
        return false;
    }
    return true;
}

} // namespace Vexolo::CommandLine
