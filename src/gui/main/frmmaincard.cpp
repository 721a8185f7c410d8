#include "frmmain.h"

#include "fleet/cardnaming.h"
#include "fleet/fleet.h"
#include "main/volumeselector.h"
#include "platform/platformadapter.h"
#include "storage/mounts.h"
#include "widgets/cardcalls.h"
#include "widgets/controls.h"
#include "widgets/noticetext.h"
#include "widgets/writtenword.h"
#include "words/cardwords.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QSignalBlocker>

namespace {

const QString LastCardKey = QStringLiteral("lastCard");

} // namespace

// The card of the main window: choosing and listing it, and noticing what becomes of it. Every look at a
// card made here runs on the card's worker: a card that stops answering leaves the window usable.

using Vexolo::CardSession;

void frmMain::RefreshCard()
{
    m_volumes->refresh();
}

void frmMain::cmdRefresh_Action()
{
    RefreshCard();
}

void frmMain::chooseCardFolder(const QString &folder)
{
    {
        const QSignalBlocker blocker(drvCard);
        drvCard->setEditText(folder);
    }
    drvCard_Change();
}

void frmMain::chooseLastCard()
{
    const QString root = Vexolo::rootOfKey(QSettings().value(LastCardKey).toString(), Vexolo::readMountTable());
    if (root.isEmpty())
        return;
    // Found and listed on the card's worker before anything shows it: a card that does not answer, or is no longer
    // there, is not chosen, and nothing waits for it.
    CardSession::instance().run<Vexolo::CardChoice>(
        root, this, [root] { return Vexolo::CardStore::findCard(root, true); },
        [this](const Vexolo::CardChoice &found) {
            if (!found.identity.isValid() || m_store.identity().isValid())
                return; // gone, or the user chose a card meanwhile
            {
                const QSignalBlocker blocker(drvCard);
                drvCard->setEditText(found.root);
            }
            adoptCard(found);
        });
}

void frmMain::rememberCard() const
{
    if (m_store.identity().isValid())
        QSettings().setValue(LastCardKey, Vexolo::volumeKey(m_store.root(), Vexolo::readMountTable()));
}

void frmMain::findCard(const QString &text, const std::function<void(Vexolo::CardChoice)> &then)
{
    auto work = [text](const Vexolo::Ui::CallControl &) { return Vexolo::CardStore::findCard(text, true); };
    m_calls->start<Vexolo::CardChoice>({text, QStringLiteral("Reading the card…")}, work, then);
}

void frmMain::keepChosenCard()
{
    const QSignalBlocker blocker(drvCard);
    drvCard->setEditText(m_store.root());
}

void frmMain::drvCard_Change()
{
    const QString text = drvCard->currentText();
    findCard(text, [this, text](const Vexolo::CardChoice &found) {
        // Unsaved changes belong to the card listed now: they are asked about before another card's
        // program replaces them, so that Save still writes them to their own card. Cancel keeps that card.
        if (!m_document.isModified() || found.tracks.isEmpty())
            return adoptCard(found);
        m_programs->confirmDiscardChanges(
            [this, text] {
                // Another card may have been mounted there while the question was open: it is found anew.
                findCard(text, [this](const Vexolo::CardChoice &now) { adoptCard(now); });
            },
            [this] { keepChosenCard(); });
    });
}

void frmMain::adoptCard(const Vexolo::CardChoice &found)
{
    m_tracks.setTracks({});
    m_store.adopt(found);
    m_cardChangeTold = false;
    nameChosenCard();
    if (found.tracks.isEmpty())
        return;
    m_tracks.setTracks(found.tracks, found.withCommandFile);
    m_programs->load(m_document.number()); // Load, its question already answered
}

void frmMain::forgetCard(const QString &card)
{
    // A card being chosen that does not answer: the window keeps to the card it had.
    if (card != m_store.root())
        return keepChosenCard();
    // Let go, like a card pulled: nothing more is asked of it until the user chooses it again.
    m_store.adopt({});
    m_tracks.setTracks({});
    drvCard->setToolTip({});
}

void frmMain::placePlayerName()
{
    // Silver on the window's black, as the company's name; a name from the register is never markup.
    lblPlayer = Vexolo::Ui::label(this, QStringLiteral("lblPlayer"), {}, {20, 104, 256, 20},
                                  Vexolo::Ui::arial(13, true), Qt::AlignHCenter, QColor(0xc0, 0xc0, 0xc0));
    lblPlayer->setAccessibleName(QStringLiteral("Card's player"));
}

void frmMain::nameChosenCard()
{
    const QString root = m_store.root();
    drvCard->setToolTip(QDir::toNativeSeparators(root));
    lblPlayer->clear();
    m_cardName = Vexolo::cardText(root, {}, {});
    if (root.isEmpty())
        return;
    CardSession::instance().run<Vexolo::CardNaming>(
        root, this, [root] { return Vexolo::nameCard(root); },
        [this, root](const Vexolo::CardNaming &naming) {
            if (m_store.root() != root)
                return;
            m_cardName = Vexolo::cardText(root, naming.label, naming.player);
            const QString player = naming.location.isEmpty() || naming.player.isEmpty()
                ? naming.player
                : naming.player + QStringLiteral(" · ") + naming.location;
            // Elided, whole in its tooltip: the strip is fixed.
            lblPlayer->setText(lblPlayer->fontMetrics().elidedText(player, Qt::ElideRight, lblPlayer->width()));
            lblPlayer->setToolTip(player);
            const QString volume = Vexolo::volumeText(root, naming.label, naming.bytes);
            drvCard->setToolTip(player.isEmpty() ? volume : volume + u'\n' + player);
        });
}

void frmMain::noticeCardChange()
{
    if (!m_store.identity().isValid())
        return;
    const QString root = m_store.root();
    const Vexolo::CardIdentity identity = m_store.identity();
    CardSession::instance().run<bool>(
        root, this, [root, identity] { return Vexolo::ChosenCard::changedAt(root, identity); },
        [this, identity](bool changed) {
            if (m_store.identity() != identity)
                return;
            // Noted before the box: the mount table may change again while it is open, and is told once.
            if (changed && !std::exchange(m_cardChangeTold, true))
                m_platform.warn(Vexolo::Ui::CardChangedMessage);
            m_cardChangeTold = changed;
        });
}

void frmMain::readPrograms()
{
    const Vexolo::CardChoice card = m_programs->chosen();
    if (!m_overview.needsReading(card.identity))
        return;
    Vexolo::CardSession::instance().run<Vexolo::CardStore::ProgramFiles>(
        card.root, this, [card, &ops = m_programs->ops()] { return Vexolo::CardStore(card, ops).readProgramFiles(); },
        [this, card](const Vexolo::CardStore::ProgramFiles &files) {
            if (card.identity == m_store.identity())
                m_overview.show(card.identity, files);
        });
}

void frmMain::cardWritten(const Vexolo::CardIdentity &card, const Vexolo::CardChange &change)
{
    if (change.kind == Vexolo::CardChange::PlayersChanged)
        return nameChosenCard(); // renamed, registered or synced: its player may be another now
    if (!card.isValid() || card != m_store.identity())
        return;
    if (change.kind == Vexolo::CardChange::HistoryNotKept) {
        m_historyLost = change.name; // said with the word after the write
        return;
    }
    QString word = Vexolo::writtenText(change, m_cardName);
    if (!word.isEmpty() && !m_historyLost.isEmpty())
        word += QStringLiteral(" \u2014 its history could not be kept: ") + std::exchange(m_historyLost, {});
    m_written->say(word);
    switch (change.kind) {
    case Vexolo::CardChange::ProgramSaved:
        return m_overview.programSaved(card, change.number, change.entries, change.name);
    case Vexolo::CardChange::ProgramDeleted:
        return m_overview.programDeleted(card, change.number);
    case Vexolo::CardChange::TrackCommandWritten:
        return m_tracks.setOwnSettings(change.track, true);
    case Vexolo::CardChange::Finished:
        return; // its parts were told as they were written
    default:
        return m_overview.forget();
    }
}
