// Measures the program's work on a big card against the bare file-system work it cannot avoid.
// Usage: vexolo-bench [runs]   (default 7; medians are reported)

#include "card/tracknames.h"
#include "commands/commandencoder.h"
#include "commands/commandreader.h"
#include "frmmain.h"
#include "platform/platformadapter.h"
#include "storage/cardfiles.h"
#include "storage/cardtext.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

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

// Answers every question with Yes and shows nothing; counts what it was asked to show.
class SilentPlatform final : public PlatformAdapter
{
public:
    Answer MsgBox(const QString &, int code, const QString &) override
    {
        ++shown;
        return isQuestion(code) ? AnswerYes : AnswerOk;
    }
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

// A card that could hang, crash or flood a careless program: a FIFO and a 300 MB sparse file
// without a line end as command files, and a program file of `records` records (200,000 by
// default: over the limit of what is read). Run in a process of its own so its peak memory is its
// own. Prints one summary line; fails when a target is missed.
int hostileCard(int records)
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/card");
    QDir().mkpath(root + QStringLiteral("/Programs"));
    for (const char *track : {"A.mp3", "F.mp3", "S.mp3"})
        writeFile(root + QLatin1Char('/') + QLatin1String(track), {});
    const QByteArray fifo = QFile::encodeName(root + QStringLiteral("/F.adv"));
    QFile sparse(root + QStringLiteral("/S.adv"));
    QByteArray program;
    for (int i = 0; i < records; ++i) // half of them on the card
        program
            += Vexolo::commandRecord(i % 2 ? QStringLiteral("Missing %1.mp3 V7").arg(i) : QStringLiteral("A.mp3 V7"));
    if (::mkfifo(fifo.constData(), 0644) != 0 || !sparse.open(QIODevice::WriteOnly) || !sparse.resize(300 << 20)
        || !writeFile(root + QStringLiteral("/Programs/Program1.txt"), program + "end")) {
        std::fprintf(stderr, "could not make the hostile card\n");
        return 1;
    }
    program.clear();
    program.squeeze();

    SilentPlatform platform;
    frmMain window(platform);
    window.show();
    QCoreApplication::processEvents();
    const double choose = medianMs(1, nullptr, [&] { window.drvCard->setEditText(root); });
    const double addAll = medianMs(1, nullptr, [&] { window.cmdAddAll_Action(); });
    const double close = medianMs(1, nullptr, [&] { window.close(); });
    const double peakMb = peakMemoryMb();
    const bool pass = peakMb <= 200 && choose <= 1000 && addAll <= 1000 && close <= 1000;
    std::printf("hostile card (%d records): choose %.1f ms, >>> %.1f ms, close %.1f ms, peak %.1f MB (targets <= "
                "1000 ms each, <= 200 MB) %s\n",
                records, choose, addAll, close, peakMb, pass ? "PASS" : "MISS");
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // vexolo-bench hostile [records]: the hostile card alone.
    if (argc > 1 && qstrcmp(argv[1], "hostile") == 0)
        return hostileCard(argc > 2 ? std::max(0, atoi(argv[2])) : 200000);
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
    window.txtList->setText(QStringLiteral("0"));
    Figure listing {QStringLiteral("listing"), 0, 0, 100, 3};
    listing.ms = medianMs(
        runs, [&] { window.drvCard->setEditText(QString()); }, [&] { window.drvCard->setEditText(root); });
    listing.rawMs = medianMs(runs, nullptr, [&] {
        QStringList raw;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext())
            raw.append(it.nextFileInfo().fileName());
    });
    figures.append(listing);
    if (window.lstCard->count() != TrackCount)
        std::fprintf(stderr, "listing gave %d rows\n", int(window.lstCard->count()));

    // Load of the 1,000-entry program.
    window.txtList->setText(QStringLiteral("1"));
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
    if (window.lstList->count() != ProgramEntries - 1)
        std::fprintf(stderr, "load gave %d rows\n", int(window.lstList->count()));

    // ">>>" of all 10,000 tracks onto an empty playlist.
    Figure addAll {QStringLiteral("add all"), 0, 0, 300, -1};
    addAll.ms = medianMs(
        runs, [&] { window.cmdClear_Action(); }, [&] { window.cmdAddAll_Action(); });
    addAll.rawMs = medianMs(runs, nullptr, rawLookups);
    figures.append(addAll);

    // Save of a 1,000-entry program: program file, name file and listing.
    window.cmdLoad_Action();
    window.txtList->setText(QStringLiteral("2"));
    Figure save {QStringLiteral("save"), 0, 0, 100, -1};
    save.ms = medianMs(runs, nullptr, [&] { window.cmdSave_Action(); });
    const QByteArray savedProgram = readFile(programs + QStringLiteral("/Program2.txt"));
    const QByteArray listingBytes = readFile(programs + QStringLiteral("/RootDir.txt"));
    save.rawMs = medianMs(runs, nullptr, [&] {
        rawLookups();
        writeFile(programs + QStringLiteral("/raw-program.txt"), savedProgram, true);
        writeFile(programs + QStringLiteral("/raw-name.adv"), "Big Program", true);
        writeFile(programs + QStringLiteral("/raw-listing.txt"), listingBytes, true);
    });
    figures.append(save);

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
    // The hostile card twice: over the program file limit, and just under it (all of it is read).
    for (const char *records : {"200000", "100000"}) {
        QProcess hostile;
        hostile.start(QCoreApplication::applicationFilePath(), {QStringLiteral("hostile"), QLatin1String(records)});
        const bool ran = hostile.waitForFinished(120000);
        const bool pass = ran && hostile.exitStatus() == QProcess::NormalExit && hostile.exitCode() == 0;
        allPass = allPass && pass;
        std::printf("%s\n",
                    ran ? hostile.readAllStandardOutput().trimmed().constData() : "hostile card: no answer MISS");
        summary.append(QStringLiteral("hostile %1 %2").arg(QLatin1String(records), pass ? "PASS" : "MISS"));
    }
    std::printf("SUMMARY: %s | %s\n", qPrintable(summary.join(QStringLiteral(" | "))),
                allPass ? "ALL PASS" : "SOME MISS");
    return allPass ? 0 : 1;
}
