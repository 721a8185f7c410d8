#include "fleet/fleetrepository.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Vexolo;

// A sync with remotes that do not behave: silent, refusing, or holding more than the fleet ever writes. Each remote is
// a real repository (or a listening socket) in a temporary folder.
class TestFleetSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_data;

    QString path(const QString &name) const { return m_data->filePath(name); }
    // Time limits a test can wait for.
    static SyncLimits quick()
    {
        SyncLimits limits;
        limits.idle = std::chrono::milliseconds(700);
        limits.total = std::chrono::seconds(5);
        return limits;
    }
    static QByteArray git(const QString &repository, const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        process.start("git", QStringList {"-C", repository} + arguments);
        process.write(input);
        process.closeWriteChannel();
        return process.waitForFinished() && process.exitCode() == 0 ? process.readAllStandardOutput().trimmed() : "";
    }
    static void start(FleetRepository &fleet)
    {
        fleet.setSyncLimits(quick());
        QVERIFY(!fleet.registerPlayer({"uuid:A", "Player A", {}, {}}).failed());
    }
    // A commit on the remote's branch whose tree is the given files, made by git itself.
    static void commitOn(const QString &remote, const QByteArray &branch, const QMap<QByteArray, QByteArray> &files)
    {
        QByteArray tree;
        for (auto file = files.cbegin(); file != files.cend(); ++file) {
            const QByteArray blob = git(remote, {"hash-object", "-w", "--stdin"}, file.value());
            tree += "100644 blob " + blob + '\t' + file.key() + '\n';
        }
        const QByteArray treeId = git(remote, {"mktree"}, tree);
        const QByteArray commit
            = git(remote, {"-c", "user.name=t", "-c", "user.email=t@t", "commit-tree", treeId}, "remote\n");
        QVERIFY(!commit.isEmpty());
        git(remote, {"update-ref", branch, commit});
    }

    // A socket that listens on a port of this computer and never accepts: the kernel completes each connection into its
    // queue, and nothing ever reads from it or answers.
    struct SilentServer
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        quint16 port = 0;
        SilentServer()
        {
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            auto *generic = reinterpret_cast<sockaddr *>(&address);
            if (::bind(fd, generic, length) == 0 && ::listen(fd, 8) == 0 && ::getsockname(fd, generic, &length) == 0)
                port = ntohs(address.sin_port);
        }
        ~SilentServer() { ::close(fd); }
        Q_DISABLE_COPY_MOVE(SilentServer)
    };

private Q_SLOTS:
    void init() { m_data = std::make_unique<QTemporaryDir>(); }

    // A server that takes the connection and never answers: the sync gives up, names the remote, and forgets it.
    void silentRemote_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("git protocol") << "git";
        QTest::newRow("http") << "http";
    }
    void silentRemote()
    {
        QFETCH(QString, scheme);
        const SilentServer server;
        QVERIFY(server.port != 0);
        const QString url = QStringLiteral("%1://127.0.0.1:%2/fleet.git").arg(scheme).arg(server.port);
        FleetRepository fleet(path("fleet.git"));
        start(fleet);
        QVERIFY(!fleet.sync(url));
        QVERIFY2(fleet.error().startsWith(url + ": no answer"), qPrintable(fleet.error()));
        QVERIFY(!fleet.sync());
        QCOMPARE(fleet.error(), "no remote given, and none used before");
        // A remote that worked stays the one remembered when another fails.
        QVERIFY(fleet.sync(path("shared.git")));
        QVERIFY(!fleet.sync(url));
        QVERIFY(fleet.sync());
    }

    // What each sync says it moved, each way, and what both laptops changed meanwhile merges: both versions, every
    // log line, a player changed on one side as that side has it; a player renamed on both keeps this side's name and
    // the other's in its notes, on both once they meet again. A folder that is no repository is refused, a remote's
    // URL serves as well as its path, and with nothing new on either side a sync makes no commit.
    void summary()
    {
        const auto counts = [](const SyncSummary::Moved &moved) {
            return QList<int> {moved.versions, moved.players, moved.logLines};
        };
        const QDateTime time = QDateTime::currentDateTimeUtc();
        // A version, a player (A renamed, B registered) and a log line, all made on one laptop.
        const auto change = [&](FleetRepository &fleet, const QString &version, const Player &a, const Player &b) {
            QVERIFY(!fleet.record("uuid:A", {{"A.adv", version.toUtf8()}}, version).isEmpty());
            QVERIFY(!fleet.registerPlayer(a).failed() && (b.key.isEmpty() || !fleet.registerPlayer(b).failed()));
            QVERIFY(!fleet
                         .appendLog(
                             {time.addSecs(fleet.log().value.size()), {}, "uuid:A", "/ref", version, 1, 1, "verified"})
                         .failed());
        };
        FleetRepository one(path("one.git"));
        FleetRepository two(path("two.git"));
        start(one);
        two.setSyncLimits(quick());
        change(one, "first", {"uuid:A", "Player A", {}, {}}, {"uuid:B", "Player B", {}, {}});
        QVERIFY(!one.sync(m_data->path()));
        const std::optional<SyncSummary> sent = one.sync(path("shared.git"));
        QVERIFY(sent && !sent->pulled.any());
        QCOMPARE(counts(sent->pushed), QList<int>({1, 2, 1}));
        const std::optional<SyncSummary> got = two.sync("file://" + path("shared.git"));
        QVERIFY(got && !got->pushed.any());
        QCOMPARE(counts(got->pulled), QList<int>({1, 2, 1}));

        change(one, "on one", {"uuid:A", "Hall", {}, {}}, {"uuid:B", "Player B2", {}, {}});
        change(two, "on two", {"uuid:A", "Foyer", "Lobby", {}}, {});
        for (FleetRepository *fleet : {&one, &two}) // the same change on both: no conflict
            QVERIFY(!fleet->registerPlayer({"uuid:C", "Player C", {}, {}}).failed());
        QVERIFY(one.sync());
        const std::optional<SyncSummary> merged = two.sync();
        QVERIFY(merged);
        QCOMPARE(merged->conflicts.size(), 1);
        QVERIFY2(merged->conflicts[0].contains("\"Foyer\"") && merged->conflicts[0].contains("name \"Hall\""),
                 qPrintable(merged->conflicts[0]));
        const std::optional<SyncSummary> settled = one.sync();
        QVERIFY(settled && settled->conflicts.isEmpty());
        QCOMPARE(counts(settled->pulled), QList<int>({1, 1, 1}));
        for (const FleetRepository *fleet : {&one, &two}) {
            const Player player = *fleet->player("uuid:A").value;
            QCOMPARE(player.name + u'|' + player.location + u'|' + fleet->player("uuid:B").value->name,
                     "Foyer|Lobby|Player B2");
            QVERIFY2(player.notes.contains("name \"Hall\""), qPrintable(player.notes));
            QStringList versions;
            for (const SetupVersion &version : fleet->history("uuid:A").value)
                versions << version.what;
            versions.sort();
            QCOMPARE(versions, QStringList({"first", "on one", "on two"}));
            QCOMPARE(fleet->log().value.size(), 3);
        }
        const QByteArray commits = git(two.path(), {"rev-list", "--all", "--count"});
        const std::optional<SyncSummary> still = two.sync();
        QVERIFY(still && !still->pulled.any() && !still->pushed.any());
        QCOMPARE(git(two.path(), {"rev-list", "--all", "--count"}), commits);
    }

    // A branch the remote cannot take is no success: the remote's reason is told.
    void refusedPush()
    {
        FleetRepository fleet(path("fleet.git"));
        start(fleet);
        QVERIFY(fleet.sync(path("shared.git")));
        QVERIFY(!fleet.registerPlayer({"uuid:B", "Player B", {}, {}}).failed());
        // Another writer holds the branch's lock on the remote.
        QFile lock(path("shared.git/refs/heads/fleet.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        QVERIFY(!fleet.sync());
        QVERIFY2(fleet.error().contains("refused refs/heads/fleet: failed to lock"), qPrintable(fleet.error()));
        QVERIFY(lock.remove());
        QVERIFY(fleet.sync());
    }

    // A remote holding what the fleet never writes, or an object whose stored bytes are not what its name says: refused
    // before anything is merged (an error, not a hang), and nothing of it kept.
    void damagedRemote_data()
    {
        QTest::addColumn<QByteArray>("branch");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("objectLimit");
        QTest::addColumn<QByteArray>("stored"); // the object's file instead of git's; git's when null
        const QByteArray fleet = "refs/heads/fleet";
        const QByteArray players = "players.tsv";
        // clang-format off
        QTest::newRow("players file larger than any register") << fleet << players << (9 << 20) << (64 << 20)
                                                               << QByteArray();
        QTest::newRow("log month over the object bound") << fleet << QByteArray("2024-01.tsv") << (2 << 20)
                                                         << (1 << 20) << QByteArray();
        QTest::newRow("setup file larger than any program") << QByteArray("refs/heads/cards/uuid-A")
                                                            << QByteArray("A.adv") << (9 << 20) << (64 << 20)
                                                            << QByteArray();
        QTest::newRow("claims a huge size") << fleet << players << 12 << (64 << 20)
                                            << qCompress("blob 999999999\0players", 9).mid(4);
        QTest::newRow("not deflated") << fleet << players << 12 << (64 << 20) << QByteArray("blob 7\0players", 14);
        QTest::newRow("empty") << fleet << players << 12 << (64 << 20) << QByteArray("");
        // clang-format on
    }
    void damagedRemote()
    {
        QFETCH(QByteArray, branch);
        QFETCH(QByteArray, file);
        QFETCH(int, size);
        QFETCH(int, objectLimit);
        QFETCH(QByteArray, stored);
        const QString remote = path("shared.git");
        QVERIFY(!git(m_data->path(), {"init", "--bare", remote}).isEmpty());
        commitOn(remote, branch, {{file, QByteArray(size, 'x')}});
        const QString object = git(remote, {"rev-parse", branch + ':' + file});
        QFile loose(remote + "/objects/" + object.left(2) + '/' + object.mid(2));
        if (!stored.isNull())
            QVERIFY(loose.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && loose.open(QIODevice::WriteOnly)
                    && loose.write(stored) == stored.size() && loose.flush());
        FleetRepository fleet(path("fleet.git"));
        SyncLimits limits = quick();
        limits.objectBytes = objectLimit;
        fleet.setSyncLimits(limits);
        QVERIFY(!fleet.sync(remote));
        const QString damaged = QStringLiteral("the fleet's data is damaged: %1 is a blob of %2 bytes");
        QVERIFY2(fleet.error().contains(stored.isNull() ? damaged.arg(object.left(12)).arg(size) : "damaged"),
                 qPrintable(fleet.error()));
        QCOMPARE(git(fleet.path(), {"for-each-ref"}), "");
    }
};

QTEST_GUILESS_MAIN(TestFleetSync)
#include "tst_fleetsync.moc"
