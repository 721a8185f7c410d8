#pragma once

#include "commands/switching.h"

#include <QList>

namespace Vexolo {

// How the device goes through a program: what it plays, where it waits for the remote and what a press of the
// remote does there. It keeps no clock: the caller plays the track, and says when it reached stopAt().
class ProgramPlay
{
public:
    enum class State { Playing, Fading, Waiting, Ended };
    // How long the remote's fade takes.
    static constexpr qint64 FadeMilliseconds = 2000;
    // Where a track of unknown length ends: this long after its last command.
    static constexpr qint64 UnknownTail = 1000;

    // The program's entries: their settings, their tracks' lengths in milliseconds, the unit of their times.
    ProgramPlay(const QList<TrackSettings> &entries, const QList<TrackLength> &lengths, TimeUnit unit);
    // Or entry by entry, from settings read one at a time: a long program's settings are never held all at once.
    explicit ProgramPlay(TimeUnit unit)
        : m_unit(unit)
    {
    }
    void add(const TrackSettings &settings, TrackLength length);

    // Plays entry row from its start.
    void start(qsizetype row);
    // The track reached stopAt(): the device waits at an auto pause, plays on into the next entry or cues it,
    // or ends the fade.
    void reached();
    // The remote, pressed while the track is at position (milliseconds): it goes on after a wait; during a track
    // it fades and cues the next, fades and plays the next, or cuts to the next, as the entry's fade option says.
    void remote(qint64 position);

    State state() const { return m_state; }
    // The entry that plays, fades or waits; the next, cued, after a track that does not play on.
    qsizetype row() const { return m_row; }
    // Where in the track it plays from or waits, in milliseconds.
    qint64 position() const { return m_position; }
    // Where the track must stop next: an auto pause, the fade's end or the track's end.
    qint64 stopAt() const;
    // The fade's share of the entry's volume at position: 1 but while fading.
    double gainAt(qint64 position) const;
    // The track ends here: its length, or a while after its last command when that is unknown.
    qint64 endOf(qsizetype row) const { return m_entries[row].end; }
    // Waiting with the next entry cued at its start, not at an auto pause.
    bool cued() const { return m_cued; }

private:
    struct Entry
    {
        FadeOption fade = FadeOption::None;
        bool playNext = false;
        QList<qint64> pauses; // reached, earliest first
        qint64 end = 0;
    };
    void next(bool play);

    QList<Entry> m_entries;
    TimeUnit m_unit = TimeUnit::Seconds;
    State m_state = State::Ended;
    qsizetype m_row = -1;
    qint64 m_position = 0;
    qsizetype m_nextPause = 0; // the entry's next auto pause
    qint64 m_fadeFrom = 0;
    bool m_cued = false;
};

// The device's volume setting, "0" to "9", as a share of full volume; anything else plays as the usual "7".
double volumeLevel(const QString &volume);

} // namespace Vexolo
