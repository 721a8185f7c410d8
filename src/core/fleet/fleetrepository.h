#pragma once

#include "storage/cardstore.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

struct git_repository;
struct git_tree;
struct git_oid;

namespace Vexolo {

// A card's setup files as the history keeps them: each path from the card root as the card names it
// ("Programs/Program1.txt", "Intro.adv"), and its bytes.
using SetupSnapshot = QMap<QByteArray, QByteArray>;
// The programs, names, listing and command files of a card, as read; files that cannot be read are left out.
SetupSnapshot snapshotOf(const CardStore::Contents &contents);

// One recorded version of a card's setup.
struct SetupVersion
{
    QString id; // the first 12 hex digits of its commit
    QDateTime time;
    QString what; // what wrote to the card right after it was recorded
};

// A player of the fleet: the card that belongs to it, by its key (identifyCard), and what the user says of it.
struct Player
{
    QString key;
    QString name;
    QString location;
    QString notes;
    QString label {}; // the card's label and size when it was registered: the card is named by them while it is out
    qint64 bytes = -1;
};

// One line of the fleet log: an apply or a restore, and how it ended.
struct LogLine
{
    QDateTime time;
    QString player; // empty for an unregistered card
    QString card; // the card's key
    QString reference; // the reference's folder; for a restore, the version restored
    QString version; // the reference's version
    qint64 files = 0;
    qint64 bytes = 0;
    QString result; // "verified", or what failed
};

// What was read of the fleet's data, or why it could not be: error names what is damaged ("the fleet's data is
// damaged: log/2024-05.tsv (object 3fa2c9d0e1b4) is cut short or no object"), or refused as too large, or why the
// data cannot be opened. Never a hang, and never read as if it were absent.
template<typename T> struct [[nodiscard]] FleetRead
{
    T value {};
    QString error;
    bool failed() const { return !error.isEmpty(); }
};

// A change of the fleet's register or log that failed: which, and the cause (libgit2's words). A default one (no cause)
// is a change that was made.
struct [[nodiscard]] FleetChange
{
    enum class Part { Register, Log, History, Refused }; // Refused: nothing written, the cause says why
    Part part = Part::Register;
    QString cause;
    bool failed() const { return !cause.isEmpty(); }
};
// One line for the user: "the register could not be written: ...", "the log line could not be written: ..." or, where
// the fleet's data cannot be opened at all, "the card's history could not be kept: ...".
QString fleetChangeText(const FleetChange &change);

// How long a sync waits for a remote and how much it takes from one.
struct SyncLimits
{
    std::chrono::milliseconds idle {std::chrono::seconds(20)}; // connecting, or silent in a transfer
    std::chrono::milliseconds total {std::chrono::minutes(30)}; // each of fetching and pushing
    qint64 transferBytes = qint64(1) << 30;
    qint64 objectBytes = qint64(64) << 20; // a month's log, the largest file the fleet keeps
};

// What a sync moved each way, and the players changed on both sides since they last met.
struct SyncSummary
{
    struct Moved
    {
        int versions = 0;
        int players = 0; // registered, changed or forgotten
        int logLines = 0;
        bool any() const { return versions > 0 || players > 0 || logLines > 0; }
    };
    Moved pulled; // new on this computer after the merge
    Moved pushed; // new on the remote
    // One line each: the player, what was kept, and where the other side's values wait to be settled.
    QStringList conflicts;
};

// The fleet's data on this computer, kept as a git repository (libgit2), so that content is stored once, and
// history, differences and sharing come from git: each card's setup versions are commits on the card's own
// branch ("cards/..."), whose tree is the setup's files; the register ("players.tsv") and the log
// ("log/YYYY-MM.tsv", a file a month, so no file grows without end) are files on the branch "fleet".
class FleetRepository final
{
public:
    // Opens the repository at path, making it when it is not there.
    explicit FleetRepository(const QString &path = defaultPath());
    ~FleetRepository();
    Q_DISABLE_COPY_MOVE(FleetRepository)

    // "vexolo-playlist-setup/fleet.git" in the user's data folder (~/.local/share).
    static QString defaultPath();
    // The versions a window lists at a time; more are read when asked for.
    static constexpr int HistoryPage = 200;

    // False, with error() saying why, when the repository could not be opened or made.
    bool isOpen() const { return m_repository != nullptr; }
    QString error() const { return m_error; }
    QString path() const { return m_path; }

    // Records files as the card's newest version, unless they are the newest version already. The version's
    // id; empty when it could not be recorded (error() says why).
    QString record(const QString &cardKey, const SetupSnapshot &files, const QString &what);
    // The card's versions, newest first: the first skip left out, at most limit of them. Every version is kept.
    FleetRead<QList<SetupVersion>> history(const QString &cardKey, int skip = 0, int limit = INT_MAX) const;
    // The files of the card's version whose id starts with id (at least 4 hex digits); none when the card's
    // history holds no such version or more than one; an error when the version cannot be read whole (a file
    // larger than any setup file is refused, not left out).
    FleetRead<std::optional<SetupSnapshot>> version(const QString &cardKey, const QString &id) const;

    FleetRead<QList<Player>> players() const;
    FleetRead<std::optional<Player>> player(const QString &cardKey) const;
    // Ties the card to the player, in place of what it was tied to before (a label or size not given is kept).
    // Refused when another card's player has the name, as names are compared (players.h).
    FleetChange registerPlayer(const Player &player);
    // Takes the card's player off the register; the card's versions are kept. These and the three below are refused
    // when the card has no player.
    FleetChange forgetPlayer(const QString &cardKey);
    // Refused, like registerPlayer, for a name another card's player has.
    FleetChange renamePlayer(const QString &cardKey, const QString &name);
    FleetChange setPlayerLocation(const QString &cardKey, const QString &location);
    FleetChange setPlayerNotes(const QString &cardKey, const QString &notes);

    FleetChange appendLog(const LogLine &line);
    // Every line, oldest first.
    FleetRead<QList<LogLine>> log() const;

    // Pulls and pushes the fleet with a git remote (a path or a URL; a path where nothing is yet becomes a shared
    // repository), remembered once a sync with it succeeded. Changes made on two computers meanwhile merge: the
    // register by player (the side that changed one; where both did, this side's, with the other's in its notes), the
    // log by lines in time order, a card's versions by keeping both, in time order. What moved; none, with error()
    // saying why, when it could not.
    std::optional<SyncSummary> sync(const QString &remote = {});
    void setSyncLimits(const SyncLimits &limits) { m_syncLimits = limits; }

private:
    QString unopened() const;
    FleetRead<QByteArray> fleetFile(const QByteArray &path, qint64 limit) const;
    bool treeWith(const git_tree *base, const QByteArray &path, const git_oid &blob, git_oid *out);
    bool changeFleetFile(const QByteArray &path, const QByteArray &bytes, const QString &message);
    // Reads the register, lets change alter it, and writes it back, as one change under the fleet's locks; change
    // returns why the change is refused (nothing written), or nothing.
    FleetChange changeRegister(const std::function<QString(QList<Player> &)> &change, const QString &message);
    // Fetches into refs/remotes/origin and checks what came; what failed, with nothing of it kept.
    std::optional<QString> fetchChecked(const QByteArray &url);

    QString m_path;
    QString m_error;
    git_repository *m_repository = nullptr;
    SyncLimits m_syncLimits;
};

} // namespace Vexolo
