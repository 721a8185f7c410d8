#include "cuesheetprinting.h"

#include "card/mp3length.h"
#include "card/tracknames.h"
#include "fleet/cardnaming.h"
#include "platform/platformadapter.h"
#include "printing/printing.h"
#include "printing/printjob.h"
#include "show/trackmedia.h"
#include "storage/cardsession.h"
#include "storage/cardstore.h"
#include "widgets/cardcalls.h"
#include "words/cardwords.h"

#include <QDate>
#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <numeric>

namespace Vexolo {

namespace {

QFont cueFont(int size, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(bold);
    font.setPixelSize(size);
    return font;
}

int textHeight(int size, bool bold)
{
    return qRound(QFontMetricsF(cueFont(size, bold)).height());
}

QString today()
{
    return QLocale().toString(QDate::currentDate(), QLocale::LongFormat);
}

void replay(QPainter &painter, const QList<CueStep> &page)
{
    for (const CueStep &step : page) {
        switch (step.kind) {
        case CueStep::Kind::Font:
            painter.setFont(cueFont(step.size, step.bold));
            break;
        case CueStep::Kind::Text:
            painter.drawText(QRect(step.x, step.y, step.w, step.h), Qt::AlignLeft | Qt::AlignTop,
                             painter.fontMetrics().elidedText(step.text, Qt::ElideRight, step.w));
            break;
        case CueStep::Kind::Box:
            if (step.bold)
                painter.fillRect(QRect(step.x, step.y, step.w, step.h), Qt::darkGray);
            else
                painter.drawRect(QRect(step.x, step.y, step.w, step.h));
            break;
        case CueStep::Kind::Mark:
            painter.fillRect(QRect(step.x, step.y, step.w, step.h), Qt::black);
            break;
        case CueStep::Kind::NewPage:
            break;
        }
    }
}

} // namespace

QString cardTitle(const QString &root)
{
    // A card is named by its label and its player, so a sheet on the desk says which card it belongs to; a plain
    // folder by its path alone.
    const CardNaming naming = nameCard(root);
    const QString path = QDir::toNativeSeparators(root);
    if (naming.label.isEmpty() && naming.player.isEmpty())
        return path;
    return cardText(root, naming.label, naming.player) + QStringLiteral(" (") + path + u')';
}

CueSheet cueSheetOf(const QString &title, const CueProgram &program, TimeUnit unit,
                    const QHash<QString, TrackLength> &lengths)
{
    CueSheet sheet {program.number.text(), program.name, today(), unit, {}, {}, title};
    for (qsizetype i = 0; i < program.commandStrings.size(); ++i)
        sheet.entries.append({program.commandStrings[i], lengths.value(program.trackNames.value(i))});
    timeCueSheet(sheet);
    return sheet;
}

CueSheet cueSheetOf(const CardStore &store, const CardStore::Loaded &loaded, ProgramNumber number, TimeUnit unit)
{
    CueSheet sheet {number.text(), loaded.name, today(), unit, {}, {}, cardTitle(store.root())};
    // Each track read once, however many entries play it.
    QStringList trackNames;
    for (const QString &commandString : loaded.commandStrings) {
        // The track of an entry is its string up to the first ".mp3", as the card holds it.
        trackNames.append(upToFirstMp3(commandString.trimmed()));
    }
    const QHash<QString, TrackLength> lengths = readTrackLengths(store, trackNames);
    for (qsizetype i = 0; i < loaded.commandStrings.size(); ++i)
        sheet.entries.append({loaded.commandStrings[i], lengths.value(trackNames[i])});
    timeCueSheet(sheet);
    return sheet;
}

namespace {

CuePage cuePage(const QPagedPaintDevice &device)
{
    const qreal scale = device.logicalDpiX() / PrintUnitsPerInch;
    return {int(device.width() / scale), int(device.height() / scale), textHeight(CueHeadingSize, true),
            textHeight(CueTextSize, true)};
}

// Draws the pages in order (their numbers from 0) on device, each laid out as it is drawn, so memory does
// not grow with the entries; false when the device cannot be painted on.
bool drawCuePages(QPagedPaintDevice &device, const CueSheet &sheet, const CuePage &page, const QList<qsizetype> &starts,
                  const QList<int> &order, const PageProgress &progress = {}, QPrinter *printer = nullptr)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const qreal scale = device.logicalDpiX() / PrintUnitsPerInch;
    painter.scale(scale, scale);
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (progress && !progress(int(i), int(order.size()))) {
            if (printer)
                printer->abort(); // while the job is open: no half sheet goes out
            return false;
        }
        if (i > 0)
            device.newPage();
        replay(painter, layoutCuePage(sheet, page, starts, order.at(i)));
    }
    return painter.end();
}

} // namespace

bool printCueSheet(QPrinter &printer, const CueSheet &sheet, const PageProgress &progress)
{
    const CuePage page = cuePage(printer);
    const QList<qsizetype> starts = cuePageStarts(sheet, page);
    const bool range = printer.printRange() == QPrinter::PageRange;
    const QList<int> order
        = printOrder(int(starts.size()), range ? printer.fromPage() : 0, range ? printer.toPage() : 0,
                     printer.copyCount(), printer.collateCopies(), printer.pageOrder() == QPrinter::LastPageFirst);
    // The range, the copies and the order are drawn here; a printer told them too would apply them twice.
    printer.setCopyCount(1);
    printer.setPageOrder(QPrinter::FirstPageFirst);
    return order.isEmpty() || drawCuePages(printer, sheet, page, starts, order, progress, &printer);
}

bool writeCueSheetPdf(QIODevice &file, const CueSheet &sheet)
{
    QPdfWriter pdf(&file);
    pdf.setResolution(1200);
    pdf.setTitle(QStringLiteral("Cue sheet of program ") + sheet.number);
    pdf.setCreator(QGuiApplication::applicationDisplayName());
    const CuePage page = cuePage(pdf);
    const QList<qsizetype> starts = cuePageStarts(sheet, page);
    QList<int> order(starts.size());
    std::iota(order.begin(), order.end(), 0);
    return drawCuePages(pdf, sheet, page, starts, order);
}

void printCueSheet(PlatformAdapter &platform, QWidget *parent, const CueSheet &sheet)
{
    QString document = QStringLiteral("Cue sheet - Playlist ") + sheet.number;
    if (!sheet.name.isEmpty())
        document += QStringLiteral(" - ") + sheet.name;
    std::unique_ptr<QPrinter> printer = platform.openPrinterDialogFor(parent, document);
    if (!printer)
        return;
    // A long sheet shows its pages as they go out, and can be stopped.
    Ui::printAway(
        parent, std::move(printer), QObject::tr("Printing the cue sheet\u2026"),
        [sheet](QPrinter &on, const PageProgress &progress) { return printCueSheet(on, sheet, progress); },
        [&platform](bool printed, bool stopped) {
            if (!printed && !stopped)
                platform.warn(NotPrintedMessage);
        });
}

namespace {

// What the cue sheet needs of the card, read in one call.
struct CueCard
{
    QString title;
    QHash<QString, TrackLength> lengths;
};

} // namespace

void printCueSheetOf(PlatformAdapter &platform, Ui::CardCalls &calls, QWidget *parent, const TrackMedia &media,
                     const CueProgram &program, TimeUnit unit)
{
    calls.start<CueCard>(
        {media.cardRoot(), QObject::tr("Reading the lengths of the tracks…")},
        [work = media.cardWork<CueCard>([trackNames = program.trackNames](const CardStore &store) {
            return CueCard {cardTitle(store.root()), readTrackLengths(store, trackNames)};
        })](const Ui::CallControl &) { return work(); },
        [&platform, parent, program, unit](CueCard card) {
            printCueSheet(platform, parent, cueSheetOf(card.title, program, unit, card.lengths));
        });
}

} // namespace Vexolo
