#include "frmmain.h"

#include "fleet/fleet.h"
#include "main/volumeselector.h"
#include "platform/platformadapter.h"
#include "storage/cardanswer.h"
#include "storage/mounts.h"
#include "widgets/busyfeedback.h"
#include "widgets/cardinreach.h"
#include "widgets/noticetext.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSettings>
#include <QSignalBlocker>

namespace {

const QString LastCardKey = QStringLiteral("lastCard");

} // namespace

// The card of the main window: choosing and listing it, and noticing what becomes of it. Every look at a
// card made here runs off the window's thread: a card that stops answering leaves the window usable.

using Vexolo::Ui::BusyFeedback;

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
    // A folder no longer there is not chosen; asked off the window's thread, as any look at a card.
    const auto there = [root] { return !root.isEmpty() && QFileInfo(root).isDir(); };
    if (Vexolo::answerInTime<bool>(there).value_or(false))
        chooseCardFolder(root);
}

void frmMain::rememberCard() const
{
    if (m_store.identity().isValid())
        QSettings().setValue(LastCardKey, Vexolo::volumeKey(m_store.root(), Vexolo::readMountTable()));
}

std::optional<Vexolo::CardChoice> frmMain::findCard(const QString &text, bool withTracks)
{
    return Vexolo::Ui::findCardInTime(m_platform, text, withTracks);
}

void frmMain::keepChosenCard()
{
    const QSignalBlocker blocker(drvCard);
    drvCard->setEditText(m_store.root());
}

void frmMain::drvCard_Change()
{
    BusyFeedback busy(this);
    const QString text = drvCard->currentText();
    std::optional<Vexolo::CardChoice> found = findCard(text, true);
    if (!found)
        return keepChosenCard();
    // Unsaved changes belong to the card listed now: they are asked about before another card's
    // program replaces them, so that Save still writes them to their own card. Cancel keeps that card.
    if (m_document.isModified() && !found->tracks.isEmpty()) {
        if (!m_programs->confirmDiscardChanges())
            return keepChosenCard();
        // Another card may have been mounted there while the question was open.
        const std::optional<Vexolo::CardChoice> now = findCard(text, false);
        if (now && now->identity != found->identity)
            found = findCard(text, true);
        if (!now || !found)
            return keepChosenCard();
    }
    m_tracks.setTracks({});
    m_store.adopt(*found);
    m_cardChangeTold = false;
    showPlayer();
    if (found->tracks.isEmpty())
        return;
    m_tracks.setTracks(std::move(found->tracks), std::move(found->withCommandFile));
    m_programs->load(m_document.number()); // Load, its question already answered
}

void frmMain::showPlayer()
{
    // Without a fleet there is no player to name, and nothing is asked of the disk service or made on start-up.
    if (!QFileInfo::exists(Vexolo::FleetRepository::defaultPath()))
        return drvCard->setToolTip({});
    // The disk service or a probe of the device answers; a dead card is not waited for.
    const QString key = Vexolo::answerInTime<QString>([root = m_store.root()] {
                            return root.isEmpty() ? QString() : Vexolo::identifyCard(root).key;
                        }).value_or(QString());
    const std::optional<Vexolo::Player> player = key.isEmpty() ? std::nullopt : Vexolo::FleetRepository().player(key);
    drvCard->setToolTip(!player ? QString()
                                : (player->location.isEmpty() ? tr("Player %1").arg(player->name)
                                                              : tr("Player %1, %2").arg(player->name, player->location))
                                + u'\n' + key);
}

void frmMain::noticeCardChange()
{
    if (!m_store.identity().isValid())
        return;
    BusyFeedback busy(this);
    const std::optional<bool> changed
        = Vexolo::answerInTime<bool>([root = m_store.root(), identity = m_store.identity()] {
              return Vexolo::ChosenCard::changedAt(root, identity);
          });
    if (!changed) {
        // Let go, like a card pulled: nothing more is asked of it until the user chooses it again.
        m_store.adopt({});
        m_platform.warn(Vexolo::Ui::CardNoAnswerMessage);
        return;
    }
    // Noted before the box: the mount table may change again while it is open, and is told once.
    if (*changed && !std::exchange(m_cardChangeTold, true))
        m_platform.warn(Vexolo::Ui::CardChangedMessage);
    m_cardChangeTold = *changed;
}
