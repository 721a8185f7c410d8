#pragma once

#include <QObject>
#include <QTimer>

class PlatformAdapter;
class QComboBox;

namespace Vexolo::Ui {

// The volume selector drvCard: its rows follow the mounted volumes, "Refresh" re-reads them, and
// choosing a row or typing a path asks for the card to be listed (chosen()): a chosen row at once, a
// typed path on Return or when the field is left; when the typing rests, typingRested() lets the window
// list it at once where that asks the user nothing (a question mid-typing would take the next key).
class VolumeSelector final : public QObject
{
    Q_OBJECT

public:
    VolumeSelector(QComboBox &box, PlatformAdapter &platform);
    Q_DISABLE_COPY_MOVE(VolumeSelector)

    // Refills the rows; the typed or chosen text stays: the user chooses the card again to re-list it.
    void refresh();
    // Lists the text now, typed or chosen.
    void listNow();

    // How long typing rests before the typed path is listed.
    static constexpr int TypingPause = 330;
    // A row's words as the list shows them, "PLAYER03 — 64 MB — /media/PLAYER03"; its text stays the path.
    static constexpr int DescriptionRole = Qt::UserRole + 1;

Q_SIGNALS:
    void chosen();
    void typingRested();
    // The mount table changed: a card may have been pulled, or another mounted in its place.
    void mountsChanged();

private:
    // Brings the rows in line with the mounted volumes; the text stays, and so does the choice.
    void follow();
    // Makes the drop-down list wide enough for its longest row.
    void fit();
    // Asks each row's volume for its label and size, on the volume's worker: a card that does not answer keeps
    // its row a path.
    void describe();
    void activated();

    QComboBox &m_box;
    PlatformAdapter &m_platform;
    bool m_choiceListed = false; // the text changed, and was listed, for the current choice
    bool m_typed = false;
    bool m_typedUnlisted = false; // a typed path waits to be listed
    QTimer m_pause;
};

} // namespace Vexolo::Ui
