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
#include "printing/printjob.h"
#include "reports/findings.h"
#include "show/programtimeline.h"
#include "show/timelinewindow.h"
#include "show/trackmedia.h"
#include "storage/cardfiles.h"
#include "widgets/cardcalls.h"

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
    std::unique_ptr<QPrinter> printer = window.platform().openPrinterDialogFor(&window, document);
    if (!printer || printer->copyCount() < 1)
        return;
    printAway(
        &window, std::move(printer), QObject::tr("Printing\u2026"),
        [heading, entries](QPrinter &on, const Vexolo::PageProgress &) {
            return Vexolo::printList(on, heading, entries);
        },
        [platform = &window.platform()](bool printed, bool) {
            if (!printed)
                platform->warn(Vexolo::NotPrintedMessage);
        });
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
    if (row >= 0)
        addTracks(m_document.count(), {m_tracks.track(row)});
}

void frmMain::cmdAddAll_Action()
{
    addTracks(m_document.count(), m_tracks.tracks());
}

void frmMain::addTracks(int row, const QStringList &tracks, std::function<void()> then)
{
    m_programs->commandStrings(tracks, [this, row, tracks, then = std::move(then)](const QStringList &strings) {
        Vexolo::PlaylistEntries entries;
        entries.reserve(tracks.size());
        for (qsizetype i = 0; i < tracks.size(); ++i)
            entries.append({0, tracks.at(i), strings.at(i)});
        // Where it was asked for, or at the end when entries went meanwhile.
        addEntries(std::min(row, m_document.count()), std::move(entries));
        if (then)
            then();
    });
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
    row = std::clamp(row, 0, m_document.count());
    addTracks(row, tracks, [this, row] {
        lstList->selectionModel()->setCurrentIndex(m_document.index(std::min(row, m_document.count() - 1)),
                                                   QItemSelectionModel::ClearAndSelect);
    });
}

void frmMain::dropFiles(const QStringList &files, QListView &list, int row)
{
    const bool ontoPlaylist = &list == lstList;
    copyOntoCard(files, [this, ontoPlaylist, row](const QStringList &tracks) {
        if (ontoPlaylist)
            dropTracks(tracks, row);
    });
}

void frmMain::copyOntoCard(const QStringList &files, std::function<void(QStringList)> then)
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
        return;
    struct Result
    {
        Vexolo::CardStore::Copied copied;
        Vexolo::CardChoice listed; // the card listed anew after the copy
    };
    const Vexolo::CardChoice card = m_programs->chosen();
    auto work = [card, &ops = m_programs->ops(), copies](const CallControl &call) {
        Result result {Vexolo::CardStore(card, ops).copyTracksIn(copies, call.progress, call.keepGoing), {}};
        result.listed = Vexolo::CardStore::findCard(card.root, true);
        return result;
    };
    m_calls->start<Result>(
        {card.root, QStringLiteral("Copying tracks onto the card…"), Vexolo::CardSession::Mode::Write}, work,
        [this, then = std::move(then)](const Result &result) {
            const Vexolo::CardStore::Copied &copied = result.copied;
            m_media->forget(copied.tracks);
            if (result.listed.identity.isValid() && result.listed.identity == m_store.identity())
                m_tracks.setTracks(result.listed.tracks, result.listed.withCommandFile);
            if (!copied.tracks.isEmpty()) {
                const int row = int(m_tracks.tracks().indexOf(copied.tracks.constLast()));
                lstCard->selectionModel()->setCurrentIndex(m_tracks.index(row), QItemSelectionModel::ClearAndSelect);
            }
            m_programs->show(copied.notices);
            if (then)
                then(copied.tracks);
        });
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
        window = new Vexolo::Ui::FleetWindow(m_platform, this, [this] { return m_store.root(); });
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
    // The program as the card holds it: loaded first (after the question about unsaved changes).
    const int record = place.record;
    m_programs->confirmDiscardChanges([this, number = *place.program, record] {
        m_programs->load(number, [this, record](const QList<int> &records) {
            const int row = int(records.indexOf(record));
            if (row < 0 || row >= m_document.count())
                return; // its track is not on the card: no entry holds it
            lstList->selectionModel()->setCurrentIndex(m_document.index(row), QItemSelectionModel::ClearAndSelect);
            cmdListAdvanced_Action();
        });
    });
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
    chooseProgram(m_document.number().stepped(delta));
}

void frmMain::chooseProgram(Vexolo::ProgramNumber number)
{
    m_programs->confirmDiscardChanges([this, number] { m_programs->load(number); });
}

void frmMain::cmdSave_Action()
{
    m_programs->save();
}

void frmMain::cmdLoad_Action()
{
    chooseProgram(m_document.number());
}

void frmMain::cmdDelete_Action()
{
    m_programs->remove();
}

void frmMain::AdvStringCard(const QString &trackName, std::function<void(QString)> then)
{
    m_programs->commandStrings({trackName},
                               [then = std::move(then)](const QStringList &strings) { then(strings.constFirst()); });
}

void frmMain::SaveRootDir()
{
    m_programs->writeListing([] {});
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
    const auto beside = [this] {
        if (frmAdv *window = frmAdv::existing())
            TimelineWindow::showBeside(*window, m_media);
    };
    if (list == lstCard)
        return openCardAdvanced(beside);
    cmdListAdvanced_Action();
    beside();
}

void frmMain::printCueSheet()
{
    // The lengths are read first, in a call of the window's on the card's worker; the dialog after.
    Vexolo::printCueSheetOf(m_platform, *m_calls, this, *m_media,
                            {m_document.number(), m_document.name(), m_document.names(), m_document.commandStrings()},
                            Vexolo::rememberedUnit());
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
        // Load and Save stay in reach beside it: the playlist is edited while it is looked at.
        window->openBeside(*this, cmdLoad->geometry().united(cmdSave->geometry()));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::cmdCardAdvanced_Action()
{
    openCardAdvanced({});
}

void frmMain::openCardAdvanced(const std::function<void()> &then)
{
    const int row = selectedRow(lstCard);
    if (row < 0)
        return;
    const QString track = m_tracks.track(row);
    AdvStringCard(track, [this, track, row, card = m_store.identity(), then](const QString &found) {
        // The window shows this track's own name, whatever name its command file carries.
        openAdvanced(Vexolo::commandStringOfTrack(found, track), AdvancedTarget::cardTrack(card, track), row);
        if (then)
            then();
    });
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
    window->setTimeline([this, window] { TimelineWindow::showBeside(*window, m_media); });
    window->InitForm(commandString, target, row);
}

void frmMain::advancedSettingsSaved(const AdvancedTarget &target, const QString &commandString)
{
    if (!target.onCard())
        return m_programs->show(applyAdvancedSettings(target, commandString, m_store, m_document, *m_history));
    writeTrackCommand(target, commandString);
}

void frmMain::writeTrackCommand(const AdvancedTarget &target, const QString &commandString)
{
    const Vexolo::CardChoice card = m_programs->chosen();
    auto work = [card, &ops = m_programs->ops(), target, commandString](const CallControl &) {
        Vexolo::CardStore store(card, ops);
        return writeCardTrackSettings(target, commandString, store);
    };
    m_calls->start<Vexolo::Notices>(
        {card.root, QStringLiteral("Writing the settings of %1 on the card…").arg(Vexolo::shownName(target.trackName)),
         Vexolo::CardSession::Mode::Write},
        work, [this](const Vexolo::Notices &notices) { m_programs->show(notices); });
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
        AdvStringCard(m_tracks.track(row), [this](const QString &found) { m_copied.copy(found); });
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
    writeTrackCommand(AdvancedTarget::cardTrack(m_store.identity(), track), pasted.first());
}
