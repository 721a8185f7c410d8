#include "fleet/fleetgit_p.h"
#include "fleet/fleetrepository.h"

#include <QtTest>

using namespace Vexolo;

namespace {

const QString Card = QStringLiteral("uuid:DAMAGE-1");

// What a reader of the fleet's data says of it: its error, empty when it read.
using Reader = std::function<QString(const FleetRepository &)>;

} // namespace

Q_DECLARE_METATYPE(Reader)

// The fleet's data as an attacker leaves it, in a real repository: every object cut short at every length, objects
// too large, branches that name nothing. Each read ends with an error naming what is wrong, never a hang (the test's
// TIMEOUT fails a hang), never an empty answer.
class TestFleetDamage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data;
    QString m_version; // the newer of the card's two versions
    QString repository() const { return m_data.filePath("fleet.git"); }

    // The loose file of the object that revision (in git's revision syntax) names in the repository at where.
    static QString objectFile(const QByteArray &revision, const QString &where)
    {
        git_repository *repo = nullptr;
        git_object *object = nullptr;
        [&] {
            QCOMPARE(git_repository_open_bare(&repo, QFile::encodeName(where).constData()), 0);
            QCOMPARE(git_revparse_single(&object, repo, revision.constData()), 0);
        }();
        char hex[GIT_OID_HEXSZ + 1] = {};
        if (object)
            git_oid_tostr(hex, sizeof hex, git_object_id(object));
        git_object_free(object);
        git_repository_free(repo);
        return where + "/objects/" + QString::fromLatin1(hex, 2) + '/' + QString::fromLatin1(hex + 2);
    }
    static bool overwrite(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }
    static void pointBranch(const QString &where, const QByteArray &branch, const QByteArray &target)
    {
        QFile ref(where + '/' + QString::fromLatin1(branch));
        QVERIFY(QDir().mkpath(QFileInfo(ref).path()));
        QVERIFY(ref.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ref.write(target + '\n');
    }

private Q_SLOTS:
    void initTestCase()
    {
        FleetRepository fleet(repository());
        QVERIFY(!fleet.record(Card, {{"A.adv", "first"}, {"Programs/Program1.adv", "Show"}}, "one").isEmpty());
        m_version = fleet.record(Card, {{"A.adv", "second"}, {"Programs/Program1.adv", "Show"}}, "two");
        QVERIFY(!fleet.registerPlayer({Card, "Player 1", "Foyer", {}}).failed());
        const QDateTime time(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());
        QVERIFY(!fleet.appendLog({time, "Player 1", Card, "/ref", "abc", 1, 2, "verified"}).failed());
    }

    void cutShort_data()
    {
        QTest::addColumn<QByteArray>("revision");
        QTest::addColumn<Reader>("read");
        const QByteArray branch = FleetGit::branchOf(Card);
        const Reader player = [](const FleetRepository &fleet) { return fleet.player(Card).error; };
        const Reader log = [](const FleetRepository &fleet) { return fleet.log().error; };
        const Reader history = [](const FleetRepository &fleet) { return fleet.history(Card).error; };
        const Reader version = [this](const FleetRepository &fleet) { return fleet.version(Card, m_version).error; };
        QTest::newRow("the register") << QByteArray("fleet:players.tsv") << player;
        QTest::newRow("the fleet's tip") << QByteArray("fleet") << player;
        QTest::newRow("the fleet's files") << QByteArray("fleet^{tree}") << log;
        QTest::newRow("a month's log") << QByteArray("fleet:log/2024-05.tsv") << log;
        QTest::newRow("the card's newest version") << branch << history;
        QTest::newRow("an older version") << branch + "~1" << history;
        QTest::newRow("a version's files") << branch + "^{tree}" << version;
        QTest::newRow("a setup file") << branch + ":A.adv" << version;
    }
    // Every length from nothing to a byte short of whole.
    void cutShort()
    {
        QFETCH(QByteArray, revision);
        QFETCH(Reader, read);
        const QString path = objectFile(revision, repository());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        for (qsizetype length = 0; length < whole.size(); ++length) {
            QVERIFY(overwrite(path, whole.left(length)));
            const QString error = read(FleetRepository(repository()));
            QVERIFY2(error.startsWith("the fleet's data is damaged: "), qPrintable(QString::number(length) + error));
        }
        QVERIFY(overwrite(path, whole));
        QVERIFY(read(FleetRepository(repository())).isEmpty());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("branch");
        QTest::addColumn<QByteArray>("target"); // what the branch is made to name; empty: a month of the log too large
        QTest::addColumn<Reader>("read");
        QTest::addColumn<QString>("error");
        const Reader log = [](const FleetRepository &fleet) { return fleet.log().error; };
        const QByteArray missing(40, 'a');
        QTest::newRow("the fleet's branch names nothing") << QByteArray(FleetGit::FleetBranch) << missing << log
                                                          << "the fleet's data is damaged: a version (object "
                                                             "aaaaaaaaaaaa) is missing";
        QTest::newRow("the card's branch names a file")
            << FleetGit::branchOf(Card) << QByteArray()
            << Reader([](const FleetRepository &fleet) { return fleet.history(Card).error; })
            << "is a blob, not a commit";
        QTest::newRow("a month's log too large") << QByteArray(FleetGit::FleetBranch) << QByteArray("big") << log
                                                 << "the fleet's data is refused: log/2024-06.tsv";
    }
    void refused()
    {
        QFETCH(QByteArray, branch);
        QFETCH(QByteArray, target);
        QFETCH(Reader, read);
        QFETCH(QString, error);
        QTemporaryDir copy;
        const QString where = copy.filePath("fleet.git");
        FleetRepository fleet(where);
        QVERIFY(!fleet.registerPlayer({Card, "Player 1", {}, {}}).failed());
        if (target == "big") {
            // A month within its bound takes no line past it.
            const QDateTime june(QDate(2024, 6, 1), QTime(12, 0), QTimeZone::utc());
            QVERIFY(
                !fleet.appendLog({june, {}, Card, QString(FleetGit::LogFileLimit - 60, u'x'), {}, 0, 0, {}}).failed());
            QVERIFY(fleet.appendLog({june, {}, Card, {}, {}, 0, 0, "one too many"}).failed());
            // A hostile remote's month: refused before it is inflated.
            git_repository *repo = nullptr;
            QCOMPARE(git_repository_open_bare(&repo, QFile::encodeName(where).constData()), 0);
            git_oid tree;
            git_oid made;
            QVERIFY(
                FleetGit::writeTree(repo, {{"log/2024-06.tsv", QByteArray(FleetGit::LogFileLimit + 1, 'x')}}, &tree));
            QVERIFY(FleetGit::commitTree(repo, nullptr, tree, {}, "big", &made));
            git_repository_free(repo);
            char hex[GIT_OID_HEXSZ + 1];
            pointBranch(where, branch, git_oid_tostr(hex, sizeof hex, &made));
        } else {
            const QFileInfo blob(objectFile("fleet:players.tsv", where));
            pointBranch(where, branch, target.isEmpty() ? (blob.dir().dirName() + blob.fileName()).toLatin1() : target);
        }
        const QString said = read(FleetRepository(where));
        QVERIFY2(said.contains(error), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestFleetDamage)
#include "tst_fleetdamage.moc"
