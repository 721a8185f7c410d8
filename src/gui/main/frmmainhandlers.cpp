#include "frmmain.h"

#include "advanced/advancedtarget.h"
#include "advanced/frmadv.h"
#include "card/tracknames.h"
#include "fleet/fleetwindow.h"
#include "fleet/fleetwindows.h"
#include "fleet/historywindow.h"
#include "platform/platformadapter.h"
#include "printing/cuesheetprinting.h"
#include "printing/printing.h"
#include "reports/findings.h"
#include "show/programtimeline.h"
#include "show/timelinewindow.h"
#include "show/trackmedia.h"
#include "storage/cardfiles.h"
#include "widgets/busyfeedback.h"

#include <QComboBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPrinter>
#include <QPushButton>

// The handlers of the main window's lists and buttons: editing the playlist, Save, Load, Delete and
// printing, the advanced window, the timeline and copied settings. The window itself: frmmain.cpp.

using namespace Vexolo::Ui;

namespace {

// document: what is printed, as the dialog proposes it for a file name.
void printThroughDialog(frmMain &window, const QString &document, const QString &heading, const QStringList &entries)
{
    const std::unique_ptr<QPrinter> printer = window.platform().openPrinterDialogFor(&window, document);
    if (!printer || printer->copyCount() < 1)
        return;
    if (!Vexolo::printList(*printer, heading, entries))
        window.platform().warn(Vexolo::NotPrintedMessage);
}

} // namespace

void frmMain::lstCard_DoubleClick()
{
    cmdAdd_Action();
}

void frmMain::lstList_DoubleClick()
{
    cmdListAdvanced_Action();
}

void frmMain::cmdAdd_Action()
{
    const int row = selectedRow(lstCard);
    if (row < 0)
        return;
    BusyFeedback busy(this);
    const QString track = m_tracks.track(row);
    addEntries(m_document.count(), {{0, track, AdvStringCard(track)}});
}

void frmMain::cmdAddAll_Action()
{
    BusyFeedback busy(this);
    addEntries(m_document.count(), entriesFor(m_tracks.tracks(), busy.callback()));
}

Vexolo::PlaylistEntries frmMain::entriesFor(const QStringList &tracks, const Vexolo::Progress &progress)
{
    const QStringList commandStrings = m_programs->commandStrings(tracks, progress);
    Vexolo::PlaylistEntries entries;
    entries.reserve(tracks.size());
    for (qsizetype i = 0; i < tracks.size(); ++i)
        entries.append({0, tracks.at(i), commandStrings.at(i)});
    return entries;
}

void frmMain::addEntries(int row, Vexolo::PlaylistEntries entries)
{
    // Said once a track: a playlist holding it cannot be saved until the file is renamed.
    QStringList tooLong;
    for (const Vexolo::PlaylistEntry &entry : std::as_const(entries)) {
        if (Vexolo::nameTooLongToSave(entry.name) && !m_toldTooLong.contains(entry.name)) {
            m_toldTooLong.insert(entry.name);
            if (tooLong.size() < 10)
                tooLong.append(Vexolo::shownName(entry.name));
        }
    }
    m_history->insert(row, std::move(entries));
    if (!tooLong.isEmpty())
        m_platform.tell(QStringLiteral("A playlist holding this track cannot be saved: its name leaves no room for its "
                                       "settings.\n%1\nRename the file to 76 characters or fewer, then choose the "
                                       "card again.")
                            .arg(tooLong.join(u'\n')));
}

void frmMain::dropTracks(const QStringList &dropped, int row)
{
    // Only the chosen card's tracks: a drag from another window of the program may carry another card's.
    const QSet<QString> onCard(m_tracks.tracks().cbegin(), m_tracks.tracks().cend());
    QStringList tracks;
    for (const QString &track : dropped) {
        if (onCard.contains(track))
            tracks.append(track);
    }
    if (tracks.isEmpty())
        return;
    BusyFeedback busy(this);
    row = std::clamp(row, 0, m_document.count());
    addEntries(row, entriesFor(tracks, busy.callback()));
    lstList->selectionModel()->setCurrentIndex(m_document.index(row), QItemSelectionModel::ClearAndSelect);
}

void frmMain::dropFiles(const QStringList &files, QListView &list, int row)
{
    const QStringList tracks = copyOntoCard(files);
    if (&list == lstList)
        dropTracks(tracks, row);
}

QStringList frmMain::copyOntoCard(const QStringList &files)
{
    constexpr qsizetype NamesAsked = 20; // a question fits the screen
    QSet<QString> onCard;
    for (const QString &track : m_tracks.tracks())
        onCard.insert(track.toCaseFolded());
    // Tracks of those names already on the card are asked about together, once.
    QList<Vexolo::CardStore::TrackCopy> copies;
    QList<bool> replaces;
    QStringList replaced;
    for (const QString &file : files) {
        const QString name = QFileInfo(file).fileName();
        copies.append({file, name});
        replaces.append(onCard.contains(name.toCaseFolded()));
        if (replaces.constLast() && replaced.size() <= NamesAsked)
            replaced.append(replaced.size() < NamesAsked ? Vexolo::shownName(name) : QStringLiteral("…"));
    }
    if (!replaced.isEmpty()
        && !m_platform.ask(replaced.size() == 1
                               ? QStringLiteral("The card already has a track named %1. Replace it?").arg(replaced[0])
                               : QStringLiteral("The card already has tracks of these names:\n%1\nReplace them?")
                                     .arg(replaced.join(u'\n')))) {
        for (qsizetype i = copies.size() - 1; i >= 0; --i) {
            if (replaces.at(i))
                copies.removeAt(i);
        }
    }
    if (copies.isEmpty())
        return {};
    BusyFeedback busy(this);
    busy.allowCancel(QStringLiteral("Copying tracks onto the card…"));
    const Vexolo::CardStore::Copied copied
        = m_store.copyTracksIn(copies, busy.callback(), [&busy] { return !busy.cancelled(); });
    m_media->forget(copied.tracks);
    if (std::optional<Vexolo::CardChoice> found = findCard(m_store.root(), true);
        found && found->identity == m_store.identity())
        m_tracks.setTracks(std::move(found->tracks), std::move(found->withCommandFile));
    if (!copied.tracks.isEmpty()) {
        const int row = int(m_tracks.tracks().indexOf(copied.tracks.constLast()));
        lstCard->selectionModel()->setCurrentIndex(m_tracks.index(row), QItemSelectionModel::ClearAndSelect);
    }
    m_programs->show(copied.notices);
    return copied.tracks;
}

void frmMain::checkCard()
{
    showCardCheck(this, m_platform, m_store, [this](const Vexolo::Finding &finding) { goToFinding(finding); });
}

void frmMain::showCardHistory()
{
    // A restore rewrites programs and command files: the chosen card is read again, as if chosen anew (unsaved
    // changes asked about first), so the lists show what it now holds, whatever the volume field holds meanwhile.
    if (Vexolo::Ui::HistoryWindow *window = Vexolo::Ui::showHistory(this, m_platform, m_store))
        connect(window, &Vexolo::Ui::HistoryWindow::restored, this, [this] { chooseCardFolder(m_store.root()); });
}

void frmMain::showFleet()
{
    auto *window = findChild<Vexolo::Ui::FleetWindow *>();
    if (!window)
        window = new Vexolo::Ui::FleetWindow(m_platform, this);
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::goToFinding(const Vexolo::Finding &finding)
{
    const Vexolo::FindingPlace place = Vexolo::placeOf(finding);
    raise();
    activateWindow();
    if (!place.commandFile.isEmpty()) {
        for (const QString &track : Vexolo::CardStore::tracksOfCommandFile(place.commandFile)) {
            const int row = int(m_tracks.tracks().indexOf(track));
            if (row >= 0) {
                lstCard->selectionModel()->setCurrentIndex(m_tracks.index(row), QItemSelectionModel::ClearAndSelect);
                return cmdCardAdvanced_Action();
            }
        }
        return;
    }
    if (!place.program)
        return;
    // The program as the card holds it: loaded first (after the question about unsaved changes), and read once.
    QList<int> records;
    if (*place.program != m_document.number() || m_document.isModified()) {
        if (!m_programs->confirmDiscardChanges())
            return;
        records = m_programs->load(*place.program);
    } else {
        BusyFeedback busy(this);
        records = m_store.loadProgram(*place.program).records;
    }
    const int row = int(records.indexOf(place.record));
    if (row < 0 || row >= m_document.count())
        return; // its track is not on the card: no entry holds it
    lstList->selectionModel()->setCurrentIndex(m_document.index(row), QItemSelectionModel::ClearAndSelect);
    cmdListAdvanced_Action();
}

void frmMain::cmdClear_Action()
{
    m_history->remove(0, m_document.count());
}

void frmMain::cmdRemove_Action()
{
    const int row = selectedRow(lstList);
    if (row < 0)
        return;
    m_history->remove(row, 1);
    lstList->clearSelection();
}

void frmMain::cmdMoveUp_Action()
{
    moveSelected(-1);
}

void frmMain::cmdMoveDown_Action()
{
    moveSelected(+1);
}

void frmMain::moveSelected(int delta)
{
    const int row = selectedRow(lstList);
    if (row < 0 || row + delta < 0 || row + delta >= m_document.count())
        return;
    m_history->move(row, 1, row + delta);
    selectEntry(row + delta);
}

void frmMain::selectEntry(int row)
{
    lstList->setCurrentIndex(m_document.index(row));
}

void frmMain::cmdDown_Action()
{
    stepPlaylistNumber(-1);
}

void frmMain::cmdUp_Action()
{
    stepPlaylistNumber(+1);
}

void frmMain::stepPlaylistNumber(int delta)
{
    if (m_programs->confirmDiscardChanges())
        m_programs->load(m_document.number().stepped(delta));
}

void frmMain::chooseProgram(Vexolo::ProgramNumber number)
{
    if (m_programs->confirmDiscardChanges())
        m_programs->load(number);
}

void frmMain::cmdSave_Action()
{
    m_programs->save();
}

void frmMain::cmdLoad_Action()
{
    if (m_programs->confirmDiscardChanges())
        m_programs->load(m_document.number());
}

void frmMain::cmdDelete_Action()
{
    m_programs->remove();
}

QString frmMain::AdvStringCard(const QString &trackName)
{
    return m_programs->commandStrings({trackName}).constFirst();
}

void frmMain::SaveRootDir()
{
    m_programs->writeListing();
}

void frmMain::cmdPrint_Action()
{
    QStringList entries = m_document.names();
    for (QString &entry : entries)
        entry = Vexolo::ExtractFilename(Vexolo::shownName(entry));
    const QString number = QStringLiteral("Playlist ") + m_document.number().text();
    const QString name = m_document.name().trimmed();
    printThroughDialog(*this, name.isEmpty() ? number : number + QStringLiteral(" - ") + name, m_document.name(),
                       entries);
}

void frmMain::cmdPrintRoot_Action()
{
    QStringList tracks = m_tracks.tracks();
    for (QString &track : tracks)
        track = Vexolo::shownName(track);
    printThroughDialog(*this, QStringLiteral("Card tracks"), QStringLiteral("Directory on ") + drvCard->currentText(),
                       tracks);
}

void frmMain::showTimeline(QListView *list)
{
    if (list == lstCard)
        cmdCardAdvanced_Action();
    else
        cmdListAdvanced_Action();
    if (frmAdv *window = frmAdv::existing())
        TimelineWindow::showBeside(*window);
}

void frmMain::printCueSheet()
{
    // The lengths are read first, while the pointer says the program is busy; the dialog comes after.
    const Vexolo::CueSheet sheet = [this] {
        BusyFeedback busy(this);
        return Vexolo::cueSheetOf(m_store.root(), m_document.number(), m_document.name(), m_document.names(),
                                  m_document.commandStrings(), Vexolo::rememberedUnit(), m_media);
    }();
    Vexolo::printCueSheet(m_platform, this, sheet);
}

void frmMain::showProgramTimeline()
{
    auto *window = findChild<ProgramTimelineWindow *>();
    if (!window) {
        window = new ProgramTimelineWindow(m_document, m_media, lstList->selectionModel(), this);
        connect(window->view(), &ProgramTimelineView::entryClicked, this,
                [this](int row) { lstList->setCurrentIndex(m_document.index(row)); });
        connect(window->view(), &ProgramTimelineView::entryActivated, this, [this](int row) {
            lstList->setCurrentIndex(m_document.index(row));
            cmdListAdvanced_Action();
        });
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::cmdCardAdvanced_Action()
{
    const int row = selectedRow(lstCard);
    if (row < 0)
        return;
    const QString track = m_tracks.track(row);
    // The window shows this track's own name, whatever name its command file carries.
    const QString commandString = Vexolo::commandStringOfTrack(AdvStringCard(track), track);
    openAdvanced(commandString, AdvancedTarget::cardTrack(m_store.identity(), track), row);
}

void frmMain::cmdListAdvanced_Action()
{
    const int row = selectedRow(lstList);
    if (row < 0)
        return;
    const Vexolo::PlaylistEntry &entry = m_document.at(row);
    openAdvanced(entry.commandString, AdvancedTarget::entry(entry.id), row);
}

void frmMain::openAdvanced(const QString &commandString, const AdvancedTarget &target, int row)
{
    frmAdv *window = frmAdv::instance(m_platform, *this);
    // One connection per window, however often it is asked for.
    connect(window, &frmAdv::settingsSaved, this, &frmMain::advancedSettingsSaved, Qt::UniqueConnection);
    window->InitForm(commandString, target, row);
}

void frmMain::advancedSettingsSaved(const AdvancedTarget &target, const QString &commandString)
{
    BusyFeedback busy(this);
    m_programs->show(applyAdvancedSettings(target, commandString, m_store, m_document, *m_history));
}

void frmMain::closeAdvancedWindow()
{
    frmAdv *window = frmAdv::existing();
    if (window && window->owner() == this)
        window->close();
}

void frmMain::copyEntrySettings()
{
    const int row = selectedRow(lstList);
    if (row >= 0)
        m_copied.copy(m_document.at(row).commandString);
}

void frmMain::copyCardSettings()
{
    const int row = selectedRow(lstCard);
    if (row >= 0)
        m_copied.copy(AdvStringCard(m_tracks.track(row)));
}

void frmMain::pasteEntrySettings()
{
    const int row = selectedRow(lstList);
    if (m_copied.isEmpty() || row < 0)
        return;
    const QStringList pasted = m_copied.forTracks({m_document.at(row).name}, m_platform);
    m_history->setCommandStrings(row, pasted, QStringLiteral("Paste Settings"));
}

void frmMain::pasteSettingsToAllEntries()
{
    if (m_copied.isEmpty())
        return;
    const QStringList pasted = m_copied.forTracks(m_document.names(), m_platform);
    if (pasted.size() == m_document.count())
        m_history->setCommandStrings(0, pasted, QStringLiteral("Paste Settings to All Entries"));
}

void frmMain::pasteCardSettings()
{
    const int row = selectedRow(lstCard);
    if (m_copied.isEmpty() || row < 0)
        return;
    const QString track = m_tracks.track(row);
    const QStringList pasted = m_copied.forTracks({track}, m_platform);
    // The card's file is replaced at once and no undo brings it back: asked first.
    if (pasted.isEmpty()
        || !m_platform.ask(QStringLiteral("Replace the settings of %1 on the card with the copied ones?")
                               .arg(Vexolo::shownName(track))))
        return;
    BusyFeedback busy(this);
    m_programs->show(m_store.writeTrackCommand(track, pasted.first()));
}
