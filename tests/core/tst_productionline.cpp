#include "fleet/productionline.h"
#include "fleet/productionreport.h"
#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

using namespace Vexolo;
using Production::Arrival;

// The production line's steps: which newly mounted volumes are cards, and what becomes of a card inserted; what it
// keeps of a run: the report's file, and a log line for every card it failed.
class TestProductionLine : public QObject
{
    Q_OBJECT

    // A folder taken for a card in a reader, however it is mounted here.
    static VolumeFacts inReader(const QString &root)
    {
        return {MountEntry {0, root, "vfat", "/dev/sdz1", "/"}, false, std::nullopt};
    }

private Q_SLOTS:
    void cardLike_data()
    {
        QTest::addColumn<QByteArray>("table"); // /proc/self/mountinfo; the volume is the last line's
        // The disk service's answer: none, "no drive", or the drive's "removable media bus" ("-" for no, or empty)
        QTest::addColumn<QString>("drive");
        QTest::addColumn<bool>("card");
        const QByteArray root = "30 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
        const QByteArray sd = "40 30 179:1 / /media/me/CARD rw - vfat /dev/mmcblk0p1 rw\n";
        const QByteArray usbExt4 = "41 30 8:33 / /media/me/Backup rw - ext4 /dev/sdc1 rw\n";
        // clang-format off
        QTest::newRow("SD card, called removable") << root + sd << "removable flash_sd sdio" << true;
        QTest::newRow("ext4 on a removable card") << root + usbExt4 << "removable - usb" << true;
        QTest::newRow("USB stick") << root + usbExt4 << "- thumb usb" << true;
        QTest::newRow("USB backup disk, not removable") << root + usbExt4 << "- - usb" << false;
        QTest::newRow("FAT the service has no drive for") << root + sd << "no drive" << false;
        QTest::newRow("FAT, no disk service") << root + sd << "none" << true;
        QTest::newRow("exFAT, no disk service") << root + "40 30 8:17 / /media/X rw - exfat /dev/sdb1 rw\n"
                                                << "none" << true;
        QTest::newRow("ext4, no disk service") << root + usbExt4 << "none" << false;
        QTest::newRow("tmpfs") << root + "42 30 0:50 / /media/T rw - tmpfs tmpfs rw\n" << "removable - -" << false;
        QTest::newRow("FUSE") << root + "42 30 0:51 / /media/F rw - fuse.sshfs me@host: rw\n" << "none" << false;
        QTest::newRow("bind mount of a card's folder")
            << root + sd + "43 30 179:1 /Music /srv/music rw - vfat /dev/mmcblk0p1 rw\n" << "removable flash_sd -"
            << false;
        QTest::newRow("whole card bound elsewhere")
            << root + sd + "43 30 179:1 / /srv/card rw - vfat /dev/mmcblk0p1 rw\n" << "removable flash_sd -" << false;
        QTest::newRow("another program's mount under a data folder")
            << root + "44 30 7:3 / /var/lib/snapd/snap/core/1 ro - squashfs /dev/loop3 ro\n" << "no drive" << false;
        // clang-format on
    }

    void cardLike()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, drive);
        const QList<MountEntry> entries = parseMountTable(table);
        const QStringList facts = QString(drive).replace(u'-', "").split(u' ');
        const auto ask = [&](const QString &) -> std::optional<DiskAnswer> {
            if (drive == "none")
                return std::nullopt;
            return drive == "no drive" ? DiskAnswer {} : DiskAnswer {!facts[0].isEmpty(), facts[1], facts[2]};
        };
        QTEST(isCardLike(describeVolume(entries.last().mountPoint, entries, ask)), "card");
    }

    // A card inserted: told when no reference is chosen, never written when it is the reference, asked a name when
    // it has no player, then made to match, verified and logged; a fleet that cannot be written is said, not lost. A
    // card the line does not write is in the log all the same, with why: a register refused, a reference gone.
    void steps()
    {
        QTemporaryDir data;
        FleetRepository fleet(data.filePath("fleet.git"));
        TestCard reference;
        TestCard card;
        reference.write("A.mp3", "aaa");
        reference.write("Programs/Program1.txt", record("A.mp3 V7") + "end");
        const auto receive = [&](const QString &root, const QString &chosen) {
            return Production::receive(root, inReader(root), chosen, fleet);
        };
        QCOMPARE(Production::receive(card.root(), {}, reference.root(), fleet).arrival, Arrival::NotACard);
        QCOMPARE(receive(card.root(), {}).arrival, Arrival::NoReference);
        QCOMPARE(receive(card.root(), " " + reference.root() + "/Programs/.. ").arrival, Arrival::NeedsName);
        QCOMPARE(receive(reference.root(), reference.root()).arrival, Arrival::Reference);
        Production::Card inserted = receive(card.root(), reference.root() + "/");
        QCOMPARE(inserted.arrival, Arrival::NeedsName);

        FleetRepository broken("/dev/null/fleet");
        Production::Outcome outcome = Production::finish(broken, inserted, "Player 5", {}, {});
        QVERIFY(!outcome.applied() && outcome.registered->cause.contains("/dev/null/fleet: "));
        QCOMPARE(card.snapshot(), QStringList {"card"});
        outcome = Production::finish(fleet, inserted, QString(4 * 1024 * 1024, u'x'), {}, {});
        QVERIFY2(!outcome.applied() && !outcome.result.logged.failed(), qPrintable(outcome.result.logged.cause));
        const QString refused = fleet.log().value.value(0).result;
        QVERIFY(refused.startsWith("failed: not registered as xxx")
                && refused.endsWith("could not be written: the register would hold more than 4194304 bytes"));
        QCOMPARE(card.snapshot(), QStringList {"card"});
        outcome = Production::finish(fleet, inserted, " Player 5 ", {}, {});
        QVERIFY(outcome.applied() && outcome.result.verified() && !outcome.result.logged.failed());
        QCOMPARE(card.read("A.mp3") + card.read("Programs/Program1.txt"), "aaa" + record("A.mp3 V7") + "end");
        QCOMPARE(QStringList({outcome.ejected.done ? "ejected" : outcome.ejected.why, fleet.log().value.last().player}),
                 QStringList({"a folder, not a card of its own", "Player 5"}));

        inserted = receive(card.root(), reference.root());
        QCOMPARE(inserted.arrival, Arrival::Ready); // known now
        outcome = Production::finish(broken, inserted, {}, {}, {}); // the card is right, its log line lost: said
        QVERIFY(outcome.result.verified() && !outcome.registered);
        QCOMPARE(fleetChangeText(outcome.result.logged).section(':', 0, 2),
                 "the card's history could not be kept: the fleet's data cannot be opened: /dev/null/fleet");
        QVERIFY(QDir(reference.root()).removeRecursively());
        outcome = Production::finish(fleet, inserted, {}, {}, {});
        QVERIFY(!outcome.result.refusal.isEmpty() && !outcome.result.logged.failed());
        const LogLine line = fleet.log().value.last();
        QCOMPARE(QStringList({line.player, line.reference, line.result.section(':', 0, 0)}),
                 QStringList({"Player 5", reference.root(), "failed"}));
        QVERIFY(line.result.contains("cannot be read"));
        QCOMPARE(Production::resultText("Player 5", outcome), line.result);

        // Stopped while copying, once the reference's version is known: the apply's own line, and no second.
        TestCard big;
        QVERIFY(big.write("B.mp3", QByteArray(8 << 20, 'b')));
        inserted = receive(card.root(), big.root());
        bool copying = false;
        const qsizetype lines = fleet.log().value.size();
        outcome = Production::finish(
            fleet, inserted, {}, [&copying](qint64, qint64) { copying = true; }, [&copying] { return !copying; });
        QVERIFY(outcome.result.cancelled && !outcome.result.version.isEmpty());
        QCOMPARE(fleet.log().value.size(), lines + 1);
    }

    // Cards cloned whole share one UUID: while both are mounted, each finds the other, and nothing is recorded.
    void clonedCards()
    {
        const QList<MountEntry> table = parseMountTable("30 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                                        "40 30 8:17 / /media/a rw - vfat /dev/sdb1 rw\n"
                                                        "41 30 8:33 / /media/b rw - vfat /dev/sdc1 rw\n"
                                                        "42 30 8:33 / /media/b2 rw - vfat /dev/sdc1 rw\n"
                                                        "43 30 8:49 / /media/c rw - vfat /dev/sdd1 rw\n"
                                                        "44 30 0:5 / /t rw - tmpfs tmpfs rw\n");
        const QHash<QString, QString> uuids {
            {"/dev/sda1", "root"}, {"/dev/sdb1", "AB-12"}, {"/dev/sdc1", "AB-12"}, {"/dev/sdd1", "CD-34"}};
        QStringList asked;
        const auto uuidOf = [&](const QString &device) { return asked << device, uuids.value(device); };
        QCOMPARE(sharingIdentity({"uuid:AB-12", "AB-12", {}, "/dev/sdb1"}, table, uuidOf), QStringList {"/media/b"});
        QCOMPARE(asked, QStringList({"/dev/sda1", "/dev/sdc1", "/dev/sdd1"})); // each other device once
        QVERIFY(sharingIdentity({"uuid:CD-34", "CD-34", {}, "/dev/sdd1"}, table, uuidOf).isEmpty());
        QVERIFY(sharingIdentity({"path:/home/me", {}, {}, {}}, table, uuidOf).isEmpty());

        // Two real FAT cards with one volume serial.
        QTemporaryDir data;
        FleetRepository fleet(data.filePath("fleet.git"));
        TestCard reference({"A.mp3"});
        TestCard one;
        TestCard two;
        const QStringList mkfs {"mkfs.vfat", "-i", "1A2B3C4D"};
        if (!one.mountImage(mkfs) || !two.mountImage(mkfs))
            QSKIP("mounting is not permitted here");
        const Production::Card card = Production::receive(two.root(), inReader(two.root()), reference.root(), fleet);
        QCOMPARE(card.arrival, Arrival::Cloned);
        QCOMPARE(card.clones, QStringList {one.root()});
        const Production::Outcome outcome = Production::finish(fleet, card, "Player 2", {}, {});
        QVERIFY(!outcome.registered && fleet.players().value.isEmpty() && fleet.log().value.isEmpty());
        QCOMPARE(two.snapshot(), one.snapshot());
    }

    void csvQuoting_data()
    {
        QTest::addColumn<QByteArray>("player");
        QTest::addColumn<QByteArray>("field");
        const auto row = [](const char *tag, const char *player, const char *field) {
            QTest::newRow(tag) << QByteArray(player) << QByteArray(field);
        };
        row("plain", "Player 1", "Player 1");
        row("comma", "Hall, east", "\"Hall, east\"");
        row("quotes doubled", "The \"big\" one", "\"The \"\"big\"\" one\"");
        row("line end kept inside", "a\nb", "\"a\nb\"");
        row("carriage return", "a\rb", "\"a\rb\"");
        row("formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\"");
        row("minus", "-1+1", "'-1+1");
        row("not ASCII", "Salle \xc3\x9c", "Salle \xc3\x9c");
        row("empty", "", "");
    }

    void csvQuoting()
    {
        QFETCH(QByteArray, player);
        QFETCH(QByteArray, field);
        const QDateTime time(QDate(2024, 5, 1), QTime(14, 3, 52));
        const QByteArray csv
            = Production::reportCsv({{"CARD", QString::fromUtf8(player), "verified", time, "0123456789ab", true}});
        QCOMPARE(csv,
                 "Card,Player,Result,Time,Version\r\nCARD," + field + ",verified,2024-05-01 14:03:52,0123456789ab\r\n");
    }
};

QTEST_GUILESS_MAIN(TestProductionLine)
#include "tst_productionline.moc"
