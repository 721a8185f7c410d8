// Measures the program's work on a big card against the bare file-system work it cannot avoid.
// Usage: vexolo-bench [runs]   (default 7; medians are reported)

#include "advanced/frmadv.h"
#include "card/mp3length.h"
#include "card/tracknames.h"
#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "fleet/fleet.h"
#include "main/frmmain.h"
#include "platform/platformadapter.h"
#include "printing/cuesheetprinting.h"
#include "reports/cardcheck.h"
#include "reports/cardsetup.h"
#include "reports/programoverview.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardstore.h"
#include "storage/cardtext.h"
#include "storage/mounts.h"
#include "widgets/noticetext.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPixmapCache>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int TrackCount = 10000;
constexpr int ProgramEntries = 1000;

// Answers every question with Yes (unsaved changes: Discard) and shows nothing; counts what it was asked to show.
class SilentPlatform final : public PlatformAdapter
{
public:
    Answer MsgBox(const QString &, int code, const QString &) override
    {
        ++shown;
        if (code == QuestionSaveDiscardCancel)
            return AnswerDiscard;
        return isQuestion(code) ? AnswerYes : AnswerOk;
    }
    std::optional<QString> askText(const QString &) override { return std::nullopt; }
    QStringList volumes() override { return {}; }
    std::unique_ptr<QPrinter> OpenPrinterDialog(QWidget *) override { return nullptr; }
    int shown = 0;
};

double medianMs(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QString trackName(int i)
{
    const QString number = QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
    switch (i % 4) {
    case 0:
        return QStringLiteral("Track ") + number + QStringLiteral(" Live Mix.mp3");
    case 1:
        return QStringLiteral("track ") + number + QStringLiteral(".MP3");
    case 2:
        return QStringLiteral("Ambient Loop ") + number + QStringLiteral(".mp3");
    default:
        return QStringLiteral("zz ") + number + QStringLiteral(" Finale.Mp3");
    }
}

QString commandFor(const QString &name, int i)
{
    return Vexolo::upToFirstMp3(name) + QStringLiteral("1V5 P%1 1+%2 2-%3").arg(i % 90).arg(i % 50).arg(i % 70);
}

bool writeFile(const QString &path, const QByteArray &content, bool sync = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.flush())
        return false;
    return !sync || ::fsync(file.handle()) == 0;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Figure
{
    QString name;
    double ms = 0;
    double rawMs = -1; // < 0: no raw counterpart
    double targetMs = 0;
    double targetRatio = -1; // < 0: no ratio target
    double ratio() const { return rawMs > 0 ? ms / rawMs : 0; }
    bool pass() const { return ms <= targetMs && (targetRatio < 0 || ratio() <= targetRatio); }
};

double peakMemoryMb()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Chooses the card as the user does, by typing its folder into the volume selector.
void chooseCard(frmMain &window, const QString &root)
{
    window.findChild<QComboBox *>(QStringLiteral("drvCard"))->setEditText(root);
}

// The heap the process uses now, in MB: what is freed counts as freed, whether or not the
// allocator has handed it back to the system yet.
double heapInUseMb()
{
    const struct mallinfo2 info = ::mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// A card folder of count empty tracks named by trackName.
bool makeTracks(const QString &root, int count)
{
    QDir().mkpath(root);
    for (int i = 0; i < count; ++i) {
        if (!writeFile(root + QLatin1Char('/') + trackName(i), {}))
            return false;
    }
    return true;
}

// The hostile cards: each makes a card that once cost gigabytes, minutes or a flood of boxes, and
// runs the card store's whole round on it (choose, list, Load, the tracks' settings as ">>>" takes
// them, the listing written on closing, Save's checks), then the fleet's (check, compare, a copy's
// plan, the programs list) and every track's length, in a process of its own so its peak memory is
// its own. Every case must answer within 2 s and stay within 200 MB.
const QStringList HostileCases
    = {QStringLiteral("one-letter lines"), QStringLiteral("long first lines"), QStringLiteral("8 MB track name"),
       QStringLiteral("unreadable files"), QStringLiteral("FIFO and sparse"),  QStringLiteral("links to secrets"),
       QStringLiteral("largest program"),  QStringLiteral("2,000 mounts"),     QStringLiteral("terabyte track"),
       QStringLiteral("65,534 cues")};

bool makeHostileCard(const QString &kind, const QString &root)
{
    const auto path = [&root](const QString &name) { return root + QLatin1Char('/') + name; };
    const auto sparse = [&path](const QString &name, qint64 size) {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.resize(size);
    };
    bool ok = QDir().mkpath(path(QStringLiteral("Programs"))) && writeFile(path(QStringLiteral("A.mp3")), {});
    const QString program = path(QStringLiteral("Programs/Program1.txt"));
    if (kind == HostileCases[0]) // 4.2 million entries' worth of lines, just under the file limit
        return ok && writeFile(program, QByteArray("a\n").repeated(4190000));
    if (kind == HostileCases[1]) { // 3,000 command files, each a first line of 65,535 bytes
        for (int i = 0; ok && i < 3000; ++i)
            ok = writeFile(path(QStringLiteral("T%1.mp3").arg(i)), {})
                && sparse(QStringLiteral("T%1.adv").arg(i), 65535);
        return ok;
    }
    if (kind == HostileCases[2])
        return ok && writeFile(program, QByteArray(8 << 20, 'x') + ".mp3 V7\r\nA.mp3 V7\r\nend");
    if (kind == HostileCases[3] || kind == HostileCases[4]) { // FIFOs, and a 300 MB file with no line end
        for (int i = 0; ok && i < (kind == HostileCases[3] ? 200 : 1); ++i)
            ok = writeFile(path(QStringLiteral("F%1.mp3").arg(i)), {})
                && ::mkfifo(QFile::encodeName(path(QStringLiteral("F%1.adv").arg(i))).constData(), 0644) == 0;
        return ok && writeFile(path(QStringLiteral("S.mp3")), {}) && sparse(QStringLiteral("S.adv"), 300 << 20);
    }
    if (kind == HostileCases[5]) // read, they would reach the listing and the program
        return ok && QFile::link(QStringLiteral("/proc/self/environ"), path(QStringLiteral("A.adv")))
            && QFile::link(QStringLiteral("/etc/passwd"), path(QStringLiteral("Programs/Program1.adv")))
            && writeFile(program, Vexolo::commandRecord(QStringLiteral("A.mp3 V7")) + "end");
    if (kind == HostileCases[8]) { // MPEG frames without a Xing header, then a sparse terabyte of nothing
        const QByteArray frame = QByteArray::fromHex("fffb9000") + QByteArray(413, '\0'); // 128 kbit/s, 44.1 kHz
        QFile track(path(QStringLiteral("T.mp3")));
        return ok && track.open(QIODevice::WriteOnly) && track.write(frame.repeated(100)) == 41700
            && track.resize(qint64(1) << 40);
    }
    if (kind == HostileCases[9]) { // a FAT32 folder's worth of entries, each switching every output it can
        const QString cue
            = QStringLiteral("A.mp3 V7 1+1 1-2 2+3 2-4 3+5 3-6 4+7 4-8 5+9 5-10 6+11 6-12 7+13 7-14 8+15 8-16");
        return ok && writeFile(program, Vexolo::formatProgramFile(QStringList(65534, cue)).content);
    }
    if (kind == HostileCases[6]) // the largest program Save writes, every entry on the card: all kept
        return ok
            && writeFile(program,
                         Vexolo::formatProgramFile(QStringList(Vexolo::ProgramRecordLimit, QStringLiteral("A.mp3 V7")))
                             .content);
    return ok;
}

int hostileCard(const QString &kind)
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/card");
    if (!makeHostileCard(kind, root)) {
        std::fprintf(stderr, "could not make the hostile card %s\n", qPrintable(kind));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    Vexolo::CardStore store;
    store.choose(root);
    const QStringList tracks = store.listTracks();
    const Vexolo::CardStore::Loaded loaded = store.loadProgram(1);
    const Vexolo::CardStore::Lookup lookup = store.lookupCommands(tracks);
    const Vexolo::Notices closing = store.writeListing(tracks);
    const Vexolo::CardStore::SavePlan plan = store.prepareSave(2, loaded.commandStrings, loaded.name);
    // Every track dropped onto the card again (each is there already, so nothing is written), and its settings as
    // its tooltip reads them.
    QList<Vexolo::CardStore::TrackCopy> again;
    for (const QString &track : tracks) {
        again.append({root + QLatin1Char('/') + track, track});
        store.trackCommandString(track);
    }
    const Vexolo::CardStore::Copied copied = store.copyTracksIn(again);
    qsizetype shown = 0; // characters the window would show in its boxes
    for (const Vexolo::Notices &notices : {loaded.notices, lookup.notices, closing, plan.refusal, copied.notices})
        for (const Vexolo::Notice &notice : notices)
            shown += Vexolo::Ui::noticeText(notice).size();
    if (kind == HostileCases[7]) {
        QByteArray table;
        for (int i = 0; i < 2000; ++i)
            table += QStringLiteral("%1 1 0:%1 / /media/m%1 rw - fuse.sshfs host:/ rw\n").arg(i + 100).toLatin1();
        shown += Vexolo::cardVolumes(Vexolo::parseMountTable(table)).size() - 2000;
    }
    const Vexolo::CardStore::Contents contents = store.readContents();
    const qsizetype found = Vexolo::checkCard(store).findings.size() + Vexolo::compareSetups(contents, contents).size()
        + Vexolo::planCopy(contents, contents).writes.size();
    Vexolo::ProgramOverview overview;
    overview.showCard(store);

    for (const QString &track : tracks) {
        const Vexolo::Fd file = store.openTrack(track);
        (void)Vexolo::readMp3Length(file.get());
    }
    // The cue sheet of the program: read within the time target; its drawing, page by page, is timed apart.
    const Vexolo::CueSheet sheet = Vexolo::cueSheetOf(store, loaded, 1, Vexolo::TimeUnit::Seconds);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    // The fleet's round, timed apart: the history's record of the card before a write, and the card applied as a
    // reference to another (a dry run).
    timer.restart();
    Vexolo::FleetJournal journal(dir.path() + QStringLiteral("/fleet.git"));
    journal.beforeChange(store, {Vexolo::ChangeCause::Other, QStringLiteral("hostile")});
    QDir().mkpath(dir.path() + QStringLiteral("/other"));
    Vexolo::CardStore other;
    other.choose(dir.path() + QStringLiteral("/other"));
    Vexolo::FleetRepository fleet(dir.path() + QStringLiteral("/fleet.git"));
    (void)Vexolo::applyReference(fleet, store, other, true);
    const double fleetMs = double(timer.nsecsElapsed()) / 1e6;
    double drawnMs = 0;
    if (kind == HostileCases[9]) {
        QFile pdf(dir.path() + QStringLiteral("/cues.pdf"));
        timer.restart();
        if (!pdf.open(QIODevice::WriteOnly) || !Vexolo::writeCueSheetPdf(pdf, sheet))
            return 1;
        drawnMs = double(timer.nsecsElapsed()) / 1e6;
    }
    const double peakMb = peakMemoryMb();
    const QByteArray listing = readFile(root + QStringLiteral("/Programs/RootDir.txt"));
    // Nothing read from outside the card may reach a file on it.
    const bool leaked = listing.contains("PATH=") || loaded.name.contains(QStringLiteral("root:"));
    const bool pass
        = ms <= 2000 && fleetMs <= 2000 && peakMb <= 200 && !leaked && shown <= 4000 && listing.size() <= (4 << 20);
    std::printf("hostile card, %-16s %8.1f ms, fleet %6.1f ms, peak %6.1f MB, %5lld characters in boxes, %6lld entries "
                "kept, %6lld findings, listing %7lld bytes%s, cue sheet drawn in %.0f ms (targets <= 2000 ms, <= 200 "
                "MB) %s\n",
                qPrintable(kind), ms, fleetMs, peakMb, qlonglong(shown), qlonglong(loaded.names.size()),
                qlonglong(found), qlonglong(listing.size()), leaked ? ", LEAKED" : "", drawnMs, pass ? "PASS" : "MISS");
    return pass ? 0 : 1;
}

// 1,000 mixed edits (move, remove, set settings, paste) on a playlist of 65,534 entries (a FAT32
// card folder's limit) through the window's handlers, each timed until the window has caught up:
// each kind's median and the memory all of them add, the undo history included. Run in a process
// of its own. Prints one summary line; fails when a target is missed.
int mixedEdits()
{
    constexpr int Entries = 65534;
    constexpr int Edits = 1000;
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/card");
    if (!makeTracks(root, Entries)) {
        std::fprintf(stderr, "could not make the card\n");
        return 1;
    }
    SilentPlatform platform;
    frmMain window(platform);
    window.show();
    chooseCard(window, root);
    window.cmdAddAll_Action();
    auto *list = window.findChild<QListView *>(QStringLiteral("lstList"));
    const auto select = [list](int row) { list->setCurrentIndex(list->model()->index(row, 0)); };
    select(1);
    window.copyEntrySettings();
    // The advanced window once, so its fonts and glyphs are cached before the edits start.
    window.cmdListAdvanced_Action();
    QCoreApplication::processEvents();
    frmAdv::existing()->cmdCancel_Action();
    QCoreApplication::processEvents();
    // The style's pixmap cache is bounded and not the edits': it is left out of both figures.
    QPixmapCache::clear();
    const double before = heapInUseMb();

    const char *kinds[] = {"move", "remove", "set settings", "paste"};
    std::vector<double> times[4];
    quint32 random = 12345;
    for (int i = 0; i < Edits; ++i) {
        random = random * 1103515245u + 12345u;
        const int kind = i % 4;
        select(int((random >> 8) % quint32(window.playlist().count() - 1)));
        if (kind == 2)
            window.cmdListAdvanced_Action(); // opening the window is the user's, not the edit
        QCoreApplication::processEvents(); // what choosing the row and opening the window left to do
        QElapsedTimer timer;
        timer.start();
        switch (kind) {
        case 0:
            (random & 1) ? window.cmdMoveDown_Action() : window.cmdMoveUp_Action();
            break;
        case 1:
            window.cmdRemove_Action();
            break;
        case 2:
            frmAdv::existing()->cmdPlus_Action();
            frmAdv::existing()->cmdSave_Action();
            break;
        default:
            window.pasteEntrySettings();
            break;
        }
        QCoreApplication::processEvents();
        times[kind].push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QPixmapCache::clear();
    const double addedMb = heapInUseMb() - before;
    bool pass = addedMb <= 10 && window.playlist().count() == Entries - Edits / 4;
    QStringList medians;
    for (int kind = 0; kind < 4; ++kind) {
        std::sort(times[kind].begin(), times[kind].end());
        const double median = times[kind][times[kind].size() / 2];
        pass = pass && median <= 5;
        medians.append(QStringLiteral("%1 %2 ms").arg(QLatin1String(kinds[kind])).arg(median, 0, 'f', 2));
    }
    std::printf("%d mixed edits of %d entries: %s; memory added %.1f MB (targets <= 5 ms each, <= 10 MB) %s\n", Edits,
                Entries, qPrintable(medians.join(QStringLiteral(", "))), addedMb, pass ? "PASS" : "MISS");
    return pass ? 0 : 1;
}

// A card of 1,000,000 tracks (exFAT has no folder limit): listing it against `ls -f | sort -f` on
// the same folder, ">>>", and the peak memory. Run in a process of its own.
// A reference of megabytes MB of tracks (4 MB each, each of its own bytes) and a program, applied to an empty card,
// against cp -r of the same files; both end when the data is on the disk (sync), as a card must be before it is
// pulled. Then a second apply, which finds everything in place and writes nothing.
int applyReference(int megabytes)
{
    QTemporaryDir dir;
    const QString reference = dir.filePath(QStringLiteral("reference"));
    QDir().mkpath(reference + QStringLiteral("/Programs"));
    QByteArray bytes(4 << 20, Qt::Uninitialized);
    QStringList strings;
    for (int i = 0; i < std::max(1, megabytes / 4); ++i) {
        for (qsizetype at = 0; at < bytes.size(); at += 8)
            qToUnaligned<quint64>(quint64(i) * 0x9E3779B97F4A7C15ULL ^ quint64(at), bytes.data() + at);
        const QString name = QStringLiteral("Track %1.mp3").arg(i, 4, 10, QLatin1Char('0'));
        writeFile(reference + u'/' + name, bytes);
        strings.append(name + QStringLiteral(" V7"));
    }
    writeFile(reference + QStringLiteral("/Programs/Program1.txt"), Vexolo::formatProgramFile(strings).content);
    QProcess::execute(QStringLiteral("sync"));
    const auto timed = [](const std::function<void()> &work) {
        QElapsedTimer timer;
        timer.start();
        work();
        return double(timer.nsecsElapsed()) / 1e6;
    };
    // This machine's disk and memory speeds swing by a factor of three from one minute to the next: the two are
    // timed in turns, each on a fresh folder, and their medians compared.
    constexpr int Rounds = 7;
    std::vector<double> cps;
    std::vector<double> applies;
    Vexolo::FleetRepository fleet(dir.filePath(QStringLiteral("fleet.git")));
    Vexolo::CardStore from;
    from.choose(reference);
    Vexolo::FleetResult first;
    double again = 0;
    Vexolo::FleetResult second;
    for (int round = 0; round < Rounds; ++round) {
        const QString copied = dir.filePath(QStringLiteral("copied"));
        cps.push_back(timed([&] {
            QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), reference, copied});
            QProcess::execute(QStringLiteral("sync"), {QStringLiteral("-f"), copied});
        }));
        QDir(copied).removeRecursively();
        const QString card = dir.filePath(QStringLiteral("card"));
        QDir().mkpath(card);
        Vexolo::CardStore to;
        to.choose(card);
        applies.push_back(timed([&] { first = Vexolo::applyReference(fleet, from, to, false); }));
        if (round == Rounds - 1)
            again = timed([&] { second = Vexolo::applyReference(fleet, from, to, false); });
        QDir(card).removeRecursively();
        QProcess::execute(QStringLiteral("sync"));
    }
    std::sort(cps.begin(), cps.end());
    std::sort(applies.begin(), applies.end());
    const double cp = cps[Rounds / 2];
    const double apply = applies[Rounds / 2];
    const bool pass = first.verified() && second.verified() && second.files == 0 && apply <= 1.2 * cp;
    std::printf("apply %d MB: %.0f ms (cp -r and sync %.0f ms, %.2fx; target at most 1.20x; medians of %d), again "
                "%.0f ms  %s\n",
                megabytes, apply, cp, apply / cp, Rounds, again, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

int millionTracks()
{
    constexpr int Tracks = 1000000;
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/card");
    if (!makeTracks(root, Tracks)) {
        std::fprintf(stderr, "could not make the card\n");
        return 1;
    }
    const QString command = QStringLiteral("ls -f '%1' | sort -f > /dev/null").arg(root);
    const double lsSort = medianMs(3, nullptr, [&] {
        QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    });
    SilentPlatform platform;
    frmMain window(platform);
    window.show();
    QCoreApplication::processEvents();
    const double listing = medianMs(
        3, [&] { chooseCard(window, QString()); },
        [&] {
            chooseCard(window, root);
            QCoreApplication::processEvents();
        });
    const double addAll = medianMs(1, nullptr, [&] {
        window.cmdAddAll_Action();
        QCoreApplication::processEvents();
    });
    const double peakMb = peakMemoryMb();
    const bool pass = window.cardTracks().rowCount() == Tracks && window.playlist().count() == Tracks
        && listing <= 1.5 * lsSort && addAll <= 1000 && peakMb <= 500;
    std::printf("1,000,000 tracks: listing %.0f ms (ls -f | sort -f %.0f ms, %.2fx), >>> %.0f ms, peak %.1f MB "
                "(targets <= 1.5x, <= 1000 ms, <= 500 MB) %s\n",
                listing, lsSort, listing / lsSort, addAll, peakMb, pass ? "PASS" : "MISS");
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // vexolo-bench hostile <case>: one hostile card alone.
    if (argc > 2 && qstrcmp(argv[1], "hostile") == 0)
        return hostileCard(QString::fromLocal8Bit(argv[2]));
    // vexolo-bench edits | million: the editing figures, or the card of a million tracks, alone.
    if (argc > 1 && qstrcmp(argv[1], "edits") == 0)
        return mixedEdits();
    if (argc > 1 && qstrcmp(argv[1], "million") == 0)
        return millionTracks();
    // vexolo-bench apply [megabytes]: a reference applied to a card (2 GB unless told).
    if (argc > 1 && qstrcmp(argv[1], "apply") == 0)
        return applyReference(argc > 2 ? std::max(4, atoi(argv[2])) : 2048);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    // The synthetic card: 10,000 empty tracks, every second one with a command file, and a
    // program of 1,000 entries of which one is no longer on the card.
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/card");
    const QString programs = root + QStringLiteral("/Programs");
    QDir().mkpath(programs);
    QStringList names;
    for (int i = 0; i < TrackCount; ++i) {
        names.append(trackName(i));
        writeFile(root + QLatin1Char('/') + names.last(), {});
        if (i % 2 == 0)
            writeFile(root + QLatin1Char('/') + Vexolo::trackCommandFileName(names.last()),
                      Vexolo::encodeCardText(commandFor(names.last(), i)));
    }
    QStringList programStrings;
    for (int i = 0; i < ProgramEntries; ++i)
        programStrings.append(commandFor(names[(i * 7) % TrackCount], i));
    programStrings[500] = QStringLiteral("Gone Missing.mp3 V7");
    writeFile(programs + QStringLiteral("/Program1.txt"), Vexolo::formatProgramFile(programStrings).content);
    writeFile(programs + QStringLiteral("/Program1.adv"), "Big Program");

    SilentPlatform platform;
    frmMain window(platform);
    window.show();
    QCoreApplication::processEvents();

    QList<Figure> figures;

    // The bare work behind a card-wide lookup: read the card folder, read every command file.
    const auto rawLookups = [&] {
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System);
        while (it.hasNext()) {
            const QString name = it.nextFileInfo().fileName();
            if (name.endsWith(QLatin1String(".adv")))
                readFile(root + QLatin1Char('/') + name);
        }
    };

    // Listing the card into lstCard. Number 0 has no program, so the automatic Load is one lookup.
    window.cmdDown_Action();
    Figure listing {QStringLiteral("listing"), 0, 0, 100, 3};
    listing.ms = medianMs(
        runs, [&] { chooseCard(window, QString()); }, [&] { chooseCard(window, root); });
    listing.rawMs = medianMs(runs, nullptr, [&] {
        QStringList raw;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext())
            raw.append(it.nextFileInfo().fileName());
    });
    figures.append(listing);
    if (window.cardTracks().rowCount() != TrackCount)
        std::fprintf(stderr, "listing gave %d rows\n", window.cardTracks().rowCount());

    // Load of the 1,000-entry program.
    window.cmdUp_Action();
    Figure load {QStringLiteral("load"), 0, 0, 100, -1};
    load.ms = medianMs(runs, nullptr, [&] { window.cmdLoad_Action(); });
    load.rawMs = medianMs(runs, nullptr, [&] {
        const QList<Vexolo::ProgramEntry> entries
            = Vexolo::parseProgramFile(readFile(programs + QStringLiteral("/Program1.txt")));
        int found = 0;
        for (const Vexolo::ProgramEntry &entry : entries)
            found += QFileInfo::exists(root + QLatin1Char('/') + entry.trackName);
        readFile(programs + QStringLiteral("/Program1.adv"));
        Q_UNUSED(found);
    });
    figures.append(load);
    if (window.playlist().count() != ProgramEntries - 1)
        std::fprintf(stderr, "load gave %d rows\n", window.playlist().count());

    // ">>>" of all 10,000 tracks onto an empty playlist.
    Figure addAll {QStringLiteral("add all"), 0, 0, 300, -1};
    addAll.ms = medianMs(
        runs, [&] { window.cmdClear_Action(); }, [&] { window.cmdAddAll_Action(); });
    addAll.rawMs = medianMs(runs, nullptr, rawLookups);
    figures.append(addAll);

    // Save of a 1,000-entry program over itself: program file, name file and listing.
    window.cmdLoad_Action();
    Figure save {QStringLiteral("save"), 0, 0, 100, -1};
    save.ms = medianMs(runs, nullptr, [&] { window.cmdSave_Action(); });
    const QByteArray savedProgram = readFile(programs + QStringLiteral("/Program1.txt"));
    const QByteArray listingBytes = readFile(programs + QStringLiteral("/RootDir.txt"));
    save.rawMs = medianMs(runs, nullptr, [&] {
        rawLookups();
        writeFile(programs + QStringLiteral("/raw-program.txt"), savedProgram, true);
        writeFile(programs + QStringLiteral("/raw-name.adv"), "Big Program", true);
        writeFile(programs + QStringLiteral("/raw-listing.txt"), listingBytes, true);
    });
    figures.append(save);

    // The history's record of the card that every write to it makes first (the program keeps one per piece of work):
    // its setup read and stored; unchanged since the last record, nothing new is stored.
    QTemporaryDir fleetData;
    Vexolo::FleetJournal journal(fleetData.filePath(QStringLiteral("fleet.git")));
    Vexolo::CardStore recorded;
    recorded.choose(root);
    Figure record {QStringLiteral("history record"), 0, -1, 300, -1};
    record.ms = medianMs(runs, nullptr, [&] {
        journal.beforeChange(recorded, {Vexolo::ChangeCause::Other, QStringLiteral("bench")});
    });
    figures.append(record);

    // SaveRootDir for 10,000 tracks.
    Figure rootDir {QStringLiteral("SaveRootDir"), 0, 0, 300, 3};
    rootDir.ms = medianMs(runs, nullptr, [&] { window.SaveRootDir(); });
    rootDir.rawMs = medianMs(runs, nullptr, [&] {
        rawLookups();
        writeFile(programs + QStringLiteral("/raw-listing.txt"), listingBytes, true);
    });
    figures.append(rootDir);

    // Encoding and reading a string of 100 commands (too long for the card, but the work is full).
    Vexolo::TrackSettings settings;
    settings.trackName = QStringLiteral("Song.mp3");
    settings.fade = Vexolo::FadeOption::Fade1;
    for (int column = 0; column < Vexolo::TrackSettings::Columns; ++column) {
        settings.pauses[column] = QString::number(100 - column);
        for (auto &row : settings.outputs)
            row[column] = QString::number((column * 37) % 100);
    }
    Figure codec {QStringLiteral("encode+read"), 0, -1, 1, -1};
    codec.ms = medianMs(runs, nullptr, [&] {
        const Vexolo::EncodedCommandString encoded = Vexolo::encodeTrackSettings(settings);
        Vexolo::TrackSettings read;
        Vexolo::readCommandString(read, encoded.text);
    });
    figures.append(codec);

    window.hide();
    const double peakMb = peakMemoryMb();

    std::printf("%-12s %10s %10s %7s %s\n", "figure", "median ms", "raw ms", "ratio", "target");
    QStringList summary;
    bool allPass = true;
    for (const Figure &figure : std::as_const(figures)) {
        const QString target = QStringLiteral("<= %1 ms").arg(figure.targetMs)
            + (figure.targetRatio > 0 ? QStringLiteral(", <= %1x raw").arg(figure.targetRatio) : QString());
        std::printf("%-12s %10.2f %10s %7s %s %s\n", qPrintable(figure.name), figure.ms,
                    figure.rawMs >= 0 ? qPrintable(QString::number(figure.rawMs, 'f', 2)) : "-",
                    figure.rawMs > 0 ? qPrintable(QString::number(figure.ratio(), 'f', 2)) : "-", qPrintable(target),
                    figure.pass() ? "PASS" : "MISS");
        allPass = allPass && figure.pass();
        summary.append(
            QStringLiteral("%1 %2ms%3 %4")
                .arg(figure.name, QString::number(figure.ms, 'f', 1),
                     figure.rawMs > 0 ? QStringLiteral(" (%1x raw)").arg(figure.ratio(), 0, 'f', 2) : QString(),
                     figure.pass() ? QStringLiteral("PASS") : QStringLiteral("MISS")));
    }
    const bool memoryPass = peakMb <= 150;
    allPass = allPass && memoryPass;
    std::printf("peak memory %.1f MB (target <= 150 MB) %s\n", peakMb, memoryPass ? "PASS" : "MISS");
    summary.append(QStringLiteral("peak %1MB %2").arg(peakMb, 0, 'f', 1).arg(memoryPass ? "PASS" : "MISS"));
    // The hostile cards, each in a process of its own.
    int hostilePassed = 0;
    for (const QString &kind : HostileCases) {
        QProcess hostile;
        hostile.start(QCoreApplication::applicationFilePath(), {QStringLiteral("hostile"), kind});
        const bool ran = hostile.waitForFinished(120000);
        const bool pass = ran && hostile.exitStatus() == QProcess::NormalExit && hostile.exitCode() == 0;
        hostilePassed += pass;
        std::printf("%s\n",
                    ran ? hostile.readAllStandardOutput().trimmed().constData() : "hostile card: no answer MISS");
    }
    allPass = allPass && hostilePassed == HostileCases.size();
    summary.append(QStringLiteral("hostile %1/%2 %3")
                       .arg(hostilePassed)
                       .arg(HostileCases.size())
                       .arg(hostilePassed == HostileCases.size() ? QStringLiteral("PASS") : QStringLiteral("MISS")));
    for (const char *part : {"edits", "million"}) {
        QProcess measured;
        measured.start(QCoreApplication::applicationFilePath(), {QLatin1String(part)});
        const bool ran = measured.waitForFinished(600000);
        const bool pass = ran && measured.exitStatus() == QProcess::NormalExit && measured.exitCode() == 0;
        allPass = allPass && pass;
        std::printf("%s\n", ran ? measured.readAllStandardOutput().trimmed().constData() : "no answer MISS");
        summary.append(QStringLiteral("%1 %2").arg(QLatin1String(part), pass ? "PASS" : "MISS"));
    }
    std::printf("SUMMARY: %s | %s\n", qPrintable(summary.join(QStringLiteral(" | "))),
                allPass ? "ALL PASS" : "SOME MISS");
    return allPass ? 0 : 1;
}
