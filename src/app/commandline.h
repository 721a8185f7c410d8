#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>
#include <span>

namespace Vexolo {
class CardStore;
}

namespace Vexolo::CommandLine {

// Exit status of the program and of every verb.
enum ExitCode : int {
    ExitSuccess = 0,
    ExitFindings = 1, // findings reported, or the action refused
    ExitUsage = 2, // wrong arguments, or input that cannot be read
};

// A verb runs without a window: arguments are those after the verb's name. Results go to out, one
// clear line per problem to err; the return value is an ExitCode.
using VerbFunction = int (*)(const QStringList &arguments, QTextStream &out, QTextStream &err);

struct Verb
{
    QStringView name;
    QStringView synopsis; // its arguments, as in "check <card folder>"
    QStringView summary; // one line for the help text
    VerbFunction run;
    // Draws pages (a PDF): it runs in the toolkit's GUI part on its offscreen platform, still without a display.
    bool drawsPages = false;
};

// The registered verbs, in the order the help text lists them.
std::span<const Verb> verbs();

// What the arguments ask for. Either an exit code (help, version or a usage error already answered
// on out or err), or the window with an optional card folder, or a verb to run with its arguments.
struct Request
{
    std::optional<int> exitCode;
    QString cardFolder;
    const Verb *verb = nullptr;
    QStringList verbArguments;
};

// arguments: the full command line, program name first. Options the toolkit itself reads for the
// window (-style, -reverse, -platform ...) are accepted and left alone.
Request parse(const QStringList &arguments, std::span<const Verb> known, QTextStream &out, QTextStream &err);

// The usage line of the verb named, from the table of verbs, on err; returns ExitUsage.
int usage(QStringView verb, QTextStream &err);

// A verb's arguments: the cards (and other words) in order, and the options ("--...").
struct Arguments
{
    QStringList cards;
    QStringList options;
};
Arguments split(const QStringList &arguments);
// Whether the options are none or just option; given: it was given.
bool onlyOption(const Arguments &arguments, const QString &option, bool &given);

// A card named on the command line, absolute or relative to the current folder, chosen in store; false
// with one line on err when it is no card folder.
bool chooseCard(CardStore &store, const QString &card, QTextStream &err);

// Whether the window can be shown at all, given the command line and the environment; false with one
// line on err when there is no display to open.
bool displayAvailable(const QStringList &arguments, QTextStream &err);

} // namespace Vexolo::CommandLine
