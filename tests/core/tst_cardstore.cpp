#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardstore.h"
#include "storage/cardtext.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/notices.h"
#include "support/testcard.h"

#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace Vexolo;

namespace {

const QString NotCreated = u"Could not create file! Destination may be write protected!"_s;
const QString NoListing = u"Could not create root directory listing! Your card may be write portected!"_s;
const QString Unread = u"Could not read from file: "_s;

} // namespace

// The card store on real folders and mounts: what it writes and reads back, its failures, and the
// cards, files and names it refuses.
class TestCardStore : public QObject
{
    Q_OBJECT

    // Creates the items named by their bytes (a folder when it ends in "/").
    static bool make(const TestCard &card, const QStringList &items)
    {
        for (const QString &item : items) {
            const QByteArray path = encodeFileName(card.path(item));
            if (item.endsWith(u'/') ? ::mkdir(path.data(), 0755) != 0 : ::close(::creat(path.data(), 0644)) != 0)
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void onlyCardLikeFolders()
    {
        TestCard card;
        // The working folder holds "card": nothing resolves against it.
        QVERIFY(card.write("plain.txt", {}) && QDir::setCurrent(card.path("..")));
        CardStore store;
        for (const QString &text : QStringList {"", "card", "/", "/proc", "/dev", card.path("plain.txt")}) {
            store.choose(text);
            QCOMPARE(texts(store.prepareSave(1, {}, {}).refusal), Ui::NoCardMessage);
        }
        // Asking about a card, or deleting what is not there, never makes its "Programs"; nor does the listing
        // of a folder without tracks.
        store.choose(card);
        const CardStore::ProgramFiles files = store.readContents();
        const CardStore::DeletePlan deleting = store.prepareDelete(1);
        const CardStore::SavePlan plan = store.prepareSave(1, {}, {});
        QCOMPARE(texts(deleting.refusal + store.loadProgram(1).notices + store.writeListing(store.listTracks())), "");
        QVERIFY(!plan.overwrites && !deleting.exists && !files.programsNoFolder && files.names[1].name == "Program1.adv"
                && !store.hasProgram(1));
        store.readProgramFiles();
        store.deleteProgram(1);
        QCOMPARE(::mkfifo(qPrintable(card.path(".vexolo-2147483647-1.tmp")), 0600), 0); // not ours: it stays, told
        QCOMPARE(store.removeLeftovers(), CardError::of(CardError::NotAFile, ".vexolo-2147483647-1.tmp"));
        const QList<CardStore::FileWrite> removals {{CardStore::Folder::Root, "x.adv", {}},
                                                    {CardStore::Folder::Programs, "Program1.txt", {}}};
        QCOMPARE(store.writeFiles({removals[0]}) + store.removeFiles({removals[1], {{}, "plain.txt", {}}}),
                 CardErrors {CardError::of(CardError::Refused, "plain.txt")}); // no setup file: it stays
        QCOMPARE(card.snapshot(),
                 QStringList({"card", "card/.vexolo-2147483647-1.tmp", "card/plain.txt", "card/x.adv"}));
        // A card folder gone since it was chosen: every change is refused so, and nothing is looked up.
        QVERIFY(QDir(card.root()).removeRecursively());
        const CardStore::Lookup lookup = store.lookupCommands({"A.mp3"});
        QCOMPARE(lookup.commandStrings, QStringList {"A.mp3 V7"});
        QCOMPARE(lookup.notices + store.save(plan, {}).notices + store.prepareDelete(1).refusal
                     + store.deleteProgram(1).notices + store.writeTrackCommand("A.mp3", "x")
                     + store.writeListing({"A.mp3"}),
                 Notices(4, {Notice::Caution, Notice::Message::NoCard, {}, 0, {CardError::Gone, 0, {}}}));
        QCOMPARE(paths(store.removeFiles(removals)), QStringList({"x.adv", "Programs/Program1.txt"}));
        QCOMPARE(store.removeLeftovers().cause, CardError::Gone);
        // Names equal but for case keep their order: each goes before the first row sorting after it.
        QCOMPARE(sortTracks({"b.MP3", "a.mp3", "a\x7F.mp3", "B.mp3", "a", "a b.mp3"}),
                 QStringList({"a b.mp3", "a.mp3", "b.MP3", "B.mp3"}));
        // Names alike in their first 8 and 16 bytes, or the start of another, given in reverse.
        const QStringList sorted {"0123456789ab.mp3",      "0123456789ab.mp3.mp3",      "0123456789abcdefa1.mp3",
                                  "0123456789abcdefb.mp3", "0123456789abcdefb.mp3.mp3", "01234567a.mp3",
                                  "01234567b.mp3"};
        QCOMPARE(sortTracks(QStringList(sorted.rbegin(), sorted.rend())), sorted);
    }

    void operations_data()
    {
        QTest::addColumn<QString>("failing"); // the call, and from which of them on
        // Save's and the track setting's notices; files saved; entries/name/notices loaded; Delete's notices
        QTest::addColumn<QString>("result");
        const QString saved = " ; Program1.adv,Program1.txt,RootDir.txt ; ";
        const QString notDeleted = u"Could not delete Playlist Number 1! Your card may be write protected!"_s;
        // clang-format off
        QTest::newRow("honest") << "" << saved + "A.mp3/Név/ ; ";
        QTest::newRow("mkdir fails") << "mkdir 1" << NotCreated + u'|' + NoListing + " ;  ; // ; " + notDeleted;
        QTest::newRow("name file fails") << "rename 2"
                                         << NoListing + "|Could not write to file: [A.adv] ; Program1.txt ; A.mp3// ; ";
        QTest::newRow("reads fail") << "read 1" << Unread + "A.adv" + saved + "//" + Unread + "Program1.txt ; ";
        QTest::newRow("delete fails") << "unlink 1" << saved + "A.mp3/Név/ ; " + notDeleted;
        // clang-format on
    }

    void operations()
    {
        QFETCH(QString, failing);
        TestCard card;
        QVERIFY(card.write("A.mp3", {}) && card.write("A.adv", "A.mp3 V3"));
        FailingFileOps ops;
        CardStore store(card, ops);
        const CardStore::SavePlan plan = store.prepareSave(1, {"A.mp3 V3"}, "Név");
        ops.fail(failing);
        const CardStore::Saved saved = store.save(plan, {"A.mp3"});
        const Notices track = store.writeTrackCommand("A.mp3", "V5"); // naming no track: the track's default
        const QStringList files = QDir(card.path("Programs")).entryList(QDir::Files);
        const CardStore::Loaded loaded = store.loadProgram(1);
        if (failing.isEmpty()) {
            QCOMPARE(card.read("Programs/Program1.txt") + card.read("Programs/RootDir.txt"),
                     (record("A.mp3 V3") + "end").repeated(2));
            QCOMPARE(card.read("Programs/Program1.adv") + card.read("A.adv"), "NévA.mp3 V7");
            QCOMPARE(QList<bool>({store.prepareSave(1, {}, {}).overwrites, store.prepareSave(2, {}, {}).overwrites,
                                  store.prepareDelete(1).exists, store.prepareDelete(2).exists}),
                     QList<bool>({true, false, true, false}));
            QVERIFY(store.hasProgram(1) && !store.hasProgram(2));
        }
        QTEST(QStringList({texts(saved.notices + track), files.join(u','),
                           loaded.names.join(u',') + u'/' + loaded.name + u'/' + texts(loaded.notices),
                           texts(store.deleteProgram(1).notices)})
                  .join(" ; "),
              "result");
        QCOMPARE(saved.nameWritten, files.contains("Program1.adv"));
        if (failing.isEmpty())
            QCOMPARE(QDir(card.path("Programs")).entryList(QDir::Files), QStringList({"Program1.adv", "RootDir.txt"}));
    }

    void loadReadsWhatSaveWrites()
    {
        TestCard card({"A.mp3"});
        CardStore store(card);
        QStringList strings(ProgramRecordLimit, "A.mp3 V7");
        strings[0] = "A.mp3 V7 €"; // two bytes more: exactly the largest file
        const QString name(LineLimit / 2, u'é');
        const CardStore::SavePlan plan = store.prepareSave(1, strings, name);
        QCOMPARE(plan.program.size(), ProgramFileLimit);
        QVERIFY(store.save(plan, {}).nameWritten);
        const CardStore::Loaded loaded = store.loadProgram(1);
        QCOMPARE(loaded.commandStrings, strings);
        QCOMPARE(loaded.name, name);
        // A byte more, a record more (within the file or at its end), or a character more is refused by
        // Save and by Load.
        strings[0] = "A.mp3 V7 é€";
        QCOMPARE(texts(store.prepareSave(1, strings, name).refusal),
                 "This playlist is too long to save: its program file would take 8388609 bytes, more than the "
                 "8388608 that can be loaded again.");
        QCOMPARE(texts(store.prepareSave(1, {}, name + u'x').refusal),
                 "This playlist name is too long to save: 1025 bytes, more than the 1024 that can be loaded again.");
        QCOMPARE(
            texts(store.prepareSave(2, {"A.mp3 V7", "B.mp3 V7" + QString(72, u'x'), QString(90, u'x')}, {}).refusal),
            "Advanced Text length too long: 80\nEntry 2, B.mp3: a shorter track name or fewer times make it fit.");
        const QByteArray records = QByteArray("A.mp3\n").repeated(ProgramRecordLimit);
        QVERIFY(card.write("Programs/Program1.txt", plan.program + '\n')
                && card.write("Programs/Program2.txt", records + "A.mp3\n")
                && card.write("Programs/Program3.txt", records + "A.mp3"));
        QCOMPARE(texts(store.loadProgram(1).notices + store.loadProgram(2).notices + store.loadProgram(3).notices),
                 Unread + "Program1.txt\nPrograms/Program1.txt is larger than the program reads.|" + Unread
                     + "Program2.txt\nPrograms/Program2.txt is larger than the program reads.|" + Unread
                     + "Program3.txt\nPrograms/Program3.txt is larger than the program reads.");
    }

    // A message names at most twenty files, then how many more; a name over 100 characters is cut in its middle.
    void messagesNameFiles()
    {
        TestCard card;
        QStringList tracks {QString(96, u'y') + ".mp3", QString(60, u'x') + QString("🎵").repeated(37) + ".mp3"};
        QStringList shown {QString(96, u'y') + ".adv", QString(50, u'x') + u'…' + QString("🎵").repeated(22) + ".adv"};
        for (int n = 2; n < 22; ++n) {
            tracks.append(QString::number(n) + ".mp3");
            shown.append(QString::number(n) + ".adv");
        }
        for (const QString &track : tracks) // folders: command files that cannot be read
            QVERIFY(QDir().mkpath(card.path(trackCommandFileName(track))));
        CardStore store(card);
        QCOMPARE(texts(store.lookupCommands(tracks).notices), Unread + shown.first(20).join(u'\n') + "\nand 2 more");
    }

    void namesAsTheCardHasThem()
    {
        TestCard card;
        // Long names differing past their first eight and sixteen bytes, one with a letter that folds into ASCII.
        const QStringList shown {".mp3",
                                 "A.mp3",
                                 "b.MP3",
                                 u"bad\xDCFF.mp3"_s,
                                 u"bad\xFFFD.mp3"_s,
                                 "D.mp3",
                                 "song AND a long tail 0.MP3",
                                 u"\x017Fong and a long tail 1.mp3"_s,
                                 "Song.adv.mp3",
                                 "Song.adv.MP3.mp3",
                                 "Song.mp3.mp3",
                                 "z.mp3/",
                                 "Ã¼.mp3",
                                 "é.mp3",
                                 "€.mp3"}; // two bytes of UTF-8 before three
        QVERIFY(make(card,
                     shown
                         + QStringList {"c.txt", "x/", "D.adv/", "a.mp3.bak", "sub/", "sub/in.mp3", "Amp3", "\x7F.mp3",
                                        "../out.mp3", ".adv"}));
        // Another tool's Windows-1252; UTF-8 naming no track, though its reading as Windows-1252 would; a path.
        QVERIFY(card.write("Programs/Program2.txt", "\xE9.mp3 V7\n\xC3\xBC.mp3 V7")
                && card.write("Programs/Program3.txt", "../out.mp3 V7"));
        CardStore store(card);
        QCOMPARE(store.listTracks().join(u'/'), shown.join(u'/').replace("//", "/")); // a folder named so too
        const Fd root(card.openRoot());
        QCOMPARE(readFolder(root.get(), FileOps::system()).names.size()
                     + readFolder(root.get(), FileOps::system()).names.size(),
                 48); // the same open folder twice
        QCOMPARE(store.lookupCommands(shown.first(2)).commandStrings, QStringList({"", "A.mp3 V7"}));
        // Only a regular file directly in the card root opens as a track.
        QVERIFY(store.openTrack("A.mp3").isOpen());
        for (const QString name : {"z.mp3", "c.txt", "../out.mp3", "sub/in.mp3"})
            QVERIFY(!store.openTrack(name).isOpen());
        const QStringList tracks = shown.sliced(3, 2);
        QCOMPARE(shownName(tracks[0]), tracks[1]);
        for (const QString &track : tracks)
            QCOMPARE(texts(store.writeTrackCommand(track, track + " V5")), "");
        QStringList strings = store.lookupCommands(tracks).commandStrings;
        QCOMPARE(strings, QStringList({tracks[0] + " V5", tracks[1] + " V5"}));
        store.save(store.prepareSave(1, strings, {}), {});
        const QByteArray record = ::record("bad\xFF.mp3 V5"); // both names are 11 characters
        QCOMPARE(card.read("Programs/Program1.txt"),
                 record + QByteArray(record).replace("\xFF", "\xEF\xBF\xBD") + "end");
        const CardStore::Loaded other = store.loadProgram(2);
        QCOMPARE(store.loadProgram(1).names + other.names + store.loadProgram(3).names, tracks + QStringList {"é.mp3"});
        QCOMPARE(texts(other.notices),
                 "The following files were ommited since they were not found on your card!\nü.mp3");
        // A command file never replaces a track, nor anything but a regular file, nor is made for a track gone, nor
        // for a track whose name differs by its blanks from one whose file it would be.
        QVERIFY(make(card, {" A.mp3 "}));
        const QStringList before = card.snapshot(true);
        QCOMPARE(texts(store.writeTrackCommand("Song.mp3.mp3", "x") + store.writeTrackCommand("D.mp3", "x")
                       + store.writeTrackCommand("gone.mp3", "x") + store.writeTrackCommand(" A.mp3 ", "x")),
                 "Could not write to file: [Song.adv.mp3]|Could not write to file: [D.adv]|"
                 "Could not write to file: [gone.adv]|Could not write to file: [A.adv]");
        QCOMPARE(card.snapshot(true), before);
    }

    // What a copy writes: the card's own files only, each safely, and every one that failed named.
    void writeFiles()
    {
        TestCard card;
        const QString leftover = ".vexolo-2147483647-1.tmp";
        QVERIFY(card.write("A.mp3", {}) && card.write("../A.adv", "outside") && card.write(leftover, {})
                && card.write("Programs/" + leftover, {}));
        FailingFileOps ops;
        ops.fail("rename 3 5 3");
        CardStore store(card, ops);
        using enum CardStore::Folder;
        const QList<CardStore::FileWrite> writes {
            {Programs, "Program0.txt", "end"}, {Programs, "Program9.adv", "Nine"}, {Programs, "RootDir.txt", "end"},
            {Root, "A.adv", "A.mp3 V1"},       {Programs, "Other.txt", "x"},       {Root, "A.mp3", "x"},
            {Root, "../A.adv", "x"},           {Root, ".adv", ".mp3 V2"},          {Root, "a.mp3.adv", "x"}};
        QList<qint64> steps;
        QCOMPARE(paths(store.writeFiles(writes, [&steps](qint64 done, qint64 total) { steps << done << total; })),
                 QStringList({"Programs/RootDir.txt", "Programs/Other.txt", "A.mp3", "../A.adv", "a.mp3.adv"}));
        QCOMPARE(steps, QList<qint64>({0, 9, 9, 9}));
        const CardStore::Contents written = store.readContents();
        QCOMPARE(written.programs[0].bytes + written.names[9].bytes, "endNine");
        QVERIFY(written.leftovers.isEmpty());
        // An orphan command file goes; a track, a file outside the card and the command file of a track stay.
        QCOMPARE(store.removeOrphanCommandFile(".adv"), CardError());
        QCOMPARE(store.removeOrphanCommandFile(".adv"), CardError::fromErrno(ENOENT, ".adv")); // not there now
        for (const QString name : {"A.mp3", "../A.adv", "A.adv"})
            QCOMPARE(store.removeOrphanCommandFile(name), CardError::of(CardError::Refused, name));
        QCOMPARE(card.snapshot(),
                 QStringList({"A.adv", "card", "card/A.adv", "card/A.mp3", "card/Programs",
                              "card/Programs/Program0.txt", "card/Programs/Program9.adv"}));
        QVERIFY(card.write("Programs/" + leftover, {}) && store.writeListing({"A.mp3"}).isEmpty()
                && store.readContents().leftovers.isEmpty());
    }

    void copyTracksIn_data()
    {
        // Files from the computer: "file" copied under its own name, "file>name" under another; Big.mp3 fills a batch
        // of 64 MB, Dir.mp3 is a folder, Fifo.mp3 a FIFO, "card/A.mp3" the card's own track. The card holds A.mp3.
        QTest::addColumn<QString>("sources");
        QTest::addColumn<QString>("failing"); // "full", "cancel", "shrink", "swap" or a call and from which on
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("tracks"); // now on the card, as the copy says; and A.mp3's bytes
        const QString notMp3 = "Only MP3 tracks go onto the card; these were not copied:";
        // clang-format off
        QTest::newRow("new, and A replaced in its own case") << "B.mp3 x.mp3>a.mp3" << "" << "" << "B.mp3 A.mp3=x";
        QTest::newRow("no tracks, or not from the computer")
            << "Dir.mp3 Fifo.mp3 B.mp3>notes.txt B.mp3>../B.mp3 Gone.mp3 Zero.mp3 Text.mp3 Empty.mp3 Link.mp3 Tab.mp3"
            << "" << notMp3 + "\nnotes.txt\n../B.mp3\nText.mp3\nEmpty.mp3|These are no regular files; they were not "
                    "copied onto the card:\nDir.mp3\nFifo.mp3|These files could not be read; they were not copied onto "
                    "the card:\nGone.mp3|These are links, and a link is not followed; they were not copied onto the "
                    "card:\nZero.mp3\nLink.mp3|These names hold a line break, a tab or another control character; they "
                    "were not copied onto the card:\nT\u2409b.mp3\nL\u240Ae.mp3"
            << "=A";
        QTest::newRow("an ID3 tag first") << "Id3.mp3" << "" << "" << "Id3.mp3=A";
        QTest::newRow("the card's own track, two of one name") << "card/A.mp3 B.mp3 x.mp3>b.MP3" << "" << ""
            << "A.mp3 B.mp3=A";
        QTest::newRow("a write fails") << "B.mp3 Big.mp3>A.mp3" << "write 3"
            << "Could not copy the track onto the card: A.mp3\nThe card is full." << "B.mp3=A";
        QTest::newRow("the computer's file fails") << "Big.mp3>A.mp3" << "read 2"
            << "Could not copy the track onto the card: A.mp3" << "=A";
        QTest::newRow("copied in the kernel: no write of ours") << "B.mp3" << "write 1" << "" << "B.mp3=A";
        QTest::newRow("its read interrupted: read again") << "B.mp3" << "read 1 4 1" << "" << "B.mp3=A";
        QTest::newRow("no new file on the card") << "B.mp3" << "open 1"
            << "Could not copy the track onto the card: B.mp3\nThe card is full." << "=A";
        QTest::newRow("the rename fails") << "B.mp3" << "rename 1"
            << "Could not copy the track onto the card: B.mp3\nThe card is full." << "=A";
        QTest::newRow("a flush fails: no batch after it") << "B.mp3 Big.mp3>C.mp3 x.mp3>A.mp3" << "syncfs 1"
            << "Could not copy these tracks onto the card:\nB.mp3\nC.mp3\nThe card is full." << "=A";
        QTest::newRow("cancelled") << "B.mp3 Big.mp3>A.mp3" << "cancel" << "" << "B.mp3=A";
        QTest::newRow("the computer's file shrinks") << "Big.mp3>A.mp3" << "shrink"
            << "Could not copy the track onto the card: A.mp3" << "=A";
        QTest::newRow("the computer's file replaced before its turn") << "B.mp3 x.mp3>A.mp3" << "swap"
            << "Could not copy the track onto the card: A.mp3" << "B.mp3=A";
        QTest::newRow("free space unknown") << "B.mp3" << "statvfs 1" << "" << "B.mp3=A";
        QTest::newRow("full card") << "B.mp3 Big.mp3>A.mp3" << "full"
            << "The card has no room for these tracks: 64.00 MiB more would be needed. Nothing was copied." << "=A";
        // clang-format on
    }

    // Tracks from the computer land whole or not at all: the old track stays on any failure, no temporary file is
    // left, and nothing but a regular .mp3 file is copied, into the card root alone.
    void copyTracksIn()
    {
        QFETCH(QString, sources);
        QFETCH(QString, failing);
        TestCard card;
        if (failing == "full"
            && !(card.mountTmpfs("full") && card.write("A.mp3", TestCard::mp3("A")) && card.spoil("full")))
            QSKIP("mounting is not permitted here");
        QTemporaryDir computer;
        QVERIFY(card.write("A.mp3", TestCard::mp3("A")) && QDir(computer.path()).mkdir("Dir.mp3")
                && ::mkfifo(qPrintable(computer.filePath("Fifo.mp3")), 0644) == 0);
        QList<CardStore::TrackCopy> copies;
        for (const QString &source : sources.split(u' ')) {
            const QString file = source.section(u'>', 0, 0);
            const QString path = file.startsWith("card/") ? card.path(file.mid(5)) : computer.filePath(file);
            if (file == "Big.mp3")
                QVERIFY(TestCard::writeTo(path, TestCard::mp3(QByteArray((64 << 20) - 4, 'b'))));
            else if (file == "Zero.mp3" || file == "Link.mp3") // a link to a device, to the user's own file
                QVERIFY(QFile::link(file == "Link.mp3" ? card.path("A.mp3") : "/dev/zero", path));
            else if (file == "Text.mp3" || file == "Empty.mp3") // the sound of an MP3 past its start is no proof
                QVERIFY(TestCard::writeTo(path, file == "Text.mp3" ? "not" + TestCard::mp3() : QByteArray()));
            else if (file == "Id3.mp3")
                QVERIFY(TestCard::writeTo(path, QByteArray("ID3\x04\0\0\0\0\0\0", 10) + TestCard::mp3()));
            else if (!file.contains(u'/') && !file.startsWith("Gone") && !QFileInfo(path).exists())
                QVERIFY(TestCard::writeTo(path, TestCard::mp3(file.first(1).toUtf8()))); // a last chunk as small
            copies.append({path, source.section(u'>', -1).section(u'/', -1)});
            if (file == "Tab.mp3") // names as a file manager may carry them
                copies.last().name = "T\tb.mp3", copies.append({path, "L\ne.mp3"});
            if (source.contains("../"))
                copies.last().name = source.section(u'>', -1);
        }
        FailingFileOps ops;
        ops.fail(failing);
        if (failing.count(u' ') < 2)
            ops.error = ENOSPC; // the card's cause unless the row names one, told unless the computer's file failed
        ops.kernelCopy = failing == "shrink" || failing == "write 1"; // shrinks after its first chunk
        CardStore store(card, ops);
        const ino_t before = card.inode("A.mp3");
        int asked = 0;
        const uint descriptors = QDir("/proc/self/fd").count();
        const CardStore::Copied copied = store.copyTracksIn(
            copies, [](qint64 done, qint64 total) { QVERIFY(done <= total); },
            [&] {
                if (failing == "shrink" && ++asked == 2)
                    QFile::resize(computer.filePath("Big.mp3"), 0);
                if (failing == "swap") // by another of the same size
                    ::rename(qPrintable(computer.filePath("B.mp3")), qPrintable(computer.filePath("x.mp3")));
                return failing != "cancel" || ++asked < 3;
            });
        QTEST(texts(copied.notices), "told");
        QCOMPARE(QDir("/proc/self/fd").count(), descriptors); // none left open, whatever failed
        QTEST(copied.tracks.join(u' ') + u'=' + card.read("A.mp3").replace(TestCard::mp3(), ""), "tracks");
        QCOMPARE(copied.cancelled, failing == "cancel");
        QStringList onCard = QDir(card.root()).entryList(QDir::Files | QDir::Hidden);
        onCard.removeOne(".filler");
        QCOMPARE(onCard, QStringList {"A.mp3"} + copied.tracks.filter(QRegularExpression("B.mp3|Id3.mp3")));
        QVERIFY(!QFileInfo::exists(card.path("../B.mp3")));
        // A track left as it was is the same file, never written again.
        QCOMPARE(card.inode("A.mp3") == before, card.read("A.mp3") == TestCard::mp3("A"));
    }

    // More tracks than the program may hold open at once: each is opened when its turn comes.
    void copyMoreTracksThanDescriptors()
    {
        TestCard card;
        QList<CardStore::TrackCopy> copies;
        for (int i = 0; i < 64; ++i)
            copies.append({card.path(".adv"), QString("T%1.mp3").arg(i)});
        card.write(".adv", TestCard::mp3("t"));
        rlimit limit;
        ::getrlimit(RLIMIT_NOFILE, &limit);
        const rlimit few = {48, limit.rlim_max};
        ::setrlimit(RLIMIT_NOFILE, &few);
        CardStore store(card);
        const qsizetype copied = store.copyTracksIn(copies).tracks.size();
        ::setrlimit(RLIMIT_NOFILE, &limit);
        QCOMPARE(copied, 64);
    }

    void cardsThatGetNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("told"); // Save's, the track setting's and the listing's notices; Delete's refusal
        QTest::addColumn<QString>("causes"); // of each of them: Gone, Changed, Read-only, Full, none (-)
        const QString changed = QStringList(3, Ui::CardChangedMessage).join(u'|');
        // The four notices, each with the cause line that %1 stands for.
        const QString spoilt
            = NotCreated + "%1|" + NoListing + "%1|Could not write to file: [A.adv]%1|" + NoListing + "%1";
        const QString noFolder = NotCreated + u'|' + NoListing + u'|' + NoListing;
        QTest::newRow("another FAT card in the reader") << "vfat" << changed << "CCC";
        QTest::newRow("another ext4 card in the reader") << "ext4" << changed << "CCC";
        QTest::newRow("card pulled") << "pulled"
                                     << QStringList(3, Ui::NoCardMessage + "\nThe card was removed.").join(u'|')
                                     << "GGG";
        QTest::newRow("full card") << "full" << spoilt.arg("\nThe card is full.") << "FFFF";
        QTest::newRow("read-only card") << "read-only" << spoilt.arg("\nThe card is write-protected.") << "RRRR";
        QTest::newRow("Programs is a link")
            << "link" << noFolder + "|Could not delete Playlist Number 1! Your card may be write protected!"
            << "----";
        QTest::newRow("Programs bound from elsewhere") << "bound" << noFolder << "---";
    }

    // A card that is not the chosen one or takes nothing, a "Programs" that is no folder of the card: nothing is
    // written, and the messages say why.
    void cardsThatGetNothing()
    {
        QFETCH(QString, kind);
        TestCard card;
        const QStringList mkfs {kind == "vfat" ? "mkfs.vfat" : "mkfs.ext4"};
        const bool image = kind == "vfat" || kind == "ext4" || kind == "pulled";
        const bool spoilt = kind == "full" || kind == "read-only";
        if (!(image ? card.mountImage(mkfs) : !spoilt || card.mountTmpfs(kind)))
            QSKIP("mounting is not permitted here");
        QVERIFY(card.write("A.mp3", {}) && card.write("A.adv", "A.mp3 V3") && QDir().mkpath(card.path("../elsewhere")));
        if (kind == "link")
            QVERIFY(QFile::link("../elsewhere", card.path("Programs")));
        // A read-only card has no Programs yet: refusing to make it is the cause told.
        if (spoilt ? !((kind != "full" || QDir().mkpath(card.path("Programs"))) && card.spoil(kind))
                   : kind == "bound" && !card.mount({"--bind", card.path("../elsewhere")}, "Programs"))
            QSKIP("mounting is not permitted here");
        CardStore store(card);
        const CardStore::SavePlan plan = store.prepareSave(1, {"A.mp3 V7"}, "x");
        if (image) {
            QVERIFY(card.unmount() && (kind == "pulled" || (card.mountImage(mkfs) && card.write("A.mp3", {}))));
            // Another card in the same reader has the same device and root inode: only its mount tells it apart.
            CardStore other(card);
            const CardIdentity was = store.identity(), now = other.identity();
            QCOMPARE(now.device == was.device && now.inode == was.inode, kind != "pulled");
        }
        const QStringList before = card.snapshot();
        const Notices told = store.save(plan, {"A.mp3"}).notices + store.writeTrackCommand("A.mp3", "A.mp3 V1")
            + store.writeListing({"A.mp3"}) + store.prepareDelete(1).refusal;
        QTEST(texts(told), "told");
        QString causes;
        for (const Notice &notice : told)
            causes += QStringLiteral("-GCRFI")[notice.error.cause];
        QTEST(causes, "causes");
        QCOMPARE(card.snapshot(), before);
        QCOMPARE(store.cardChanged(), kind == "vfat" || kind == "ext4");
        QCOMPARE(store.readProgramFiles().programsNoFolder, kind == "link" || kind == "bound");
    }
};

QTEST_GUILESS_MAIN(TestCardStore)
#include "tst_cardstore.moc"
