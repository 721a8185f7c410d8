#include "commands/programplay.h"

#include "commands/programtimes.h"

#include <algorithm>

namespace Vexolo {

ProgramPlay::ProgramPlay(const QList<TrackSettings> &entries, const QList<TrackLength> &lengths, TimeUnit unit)
    : m_unit(unit)
{
    for (qsizetype i = 0; i < entries.size(); ++i)
        add(entries[i], lengths.value(i));
}

void ProgramPlay::add(const TrackSettings &settings, TrackLength length)
{
    Entry entry {settings.fade, settings.playNext, pausesReached(settings, length, m_unit), 0};
    if (length) {
        entry.end = *length;
    } else {
        // Without its length the track is played a while past the last thing it does.
        const qint64 last = qint64(planSwitching(settings, std::nullopt).lastTime) * millisecondsPer(m_unit);
        entry.end = std::max<qint64>(last, entry.pauses.isEmpty() ? 0 : entry.pauses.back()) + UnknownTail;
    }
    m_entries.append(entry);
}

void ProgramPlay::start(qsizetype row)
{
    m_row = row;
    m_position = 0;
    m_nextPause = 0;
    m_cued = false;
    m_state = row >= 0 && row < m_entries.size() ? State::Playing : State::Ended;
}

qint64 ProgramPlay::stopAt() const
{
    if (m_state == State::Ended)
        return m_position;
    const Entry &entry = m_entries[m_row];
    if (m_state == State::Fading)
        return std::min(m_fadeFrom + FadeMilliseconds, entry.end);
    return m_nextPause < entry.pauses.size() ? entry.pauses[m_nextPause] : entry.end;
}

double ProgramPlay::gainAt(qint64 position) const
{
    if (m_state != State::Fading)
        return 1.0;
    return std::clamp(1.0 - double(position - m_fadeFrom) / double(FadeMilliseconds), 0.0, 1.0);
}

void ProgramPlay::next(bool play)
{
    const qsizetype row = m_row + 1;
    if (row >= m_entries.size()) {
        m_state = State::Ended;
        return;
    }
    start(row);
    if (!play) {
        m_state = State::Waiting;
        m_cued = true;
    }
}

void ProgramPlay::reached()
{
    if (m_state != State::Playing && m_state != State::Fading)
        return;
    const Entry &entry = m_entries[m_row];
    const qint64 at = stopAt();
    m_position = at;
    if (m_state == State::Fading) {
        // The fade is over: a fade that plays the next plays it, the usual one cues it.
        next(entry.fade == FadeOption::Fade1);
    } else if (at < entry.end) {
        // An auto pause: the track waits there for the remote.
        ++m_nextPause;
        m_state = State::Waiting;
    } else {
        next(entry.playNext);
    }
}

void ProgramPlay::remote(qint64 position)
{
    switch (m_state) {
    case State::Waiting:
        m_state = State::Playing;
        m_cued = false;
        break;
    case State::Playing:
        m_position = std::clamp<qint64>(position, m_position, m_entries[m_row].end);
        if (m_entries[m_row].fade == FadeOption::Fade2) {
            next(true);
        } else {
            m_fadeFrom = m_position;
            m_state = State::Fading;
        }
        break;
    case State::Fading:
        // A second press does not wait for the fade.
        reached();
        break;
    case State::Ended:
        break;
    }
}

double volumeLevel(const QString &volume)
{
    const int level = volume.size() == 1 && volume[0].isDigit() ? volume[0].digitValue() : 7;
    return double(level) / 9.0;
}

} // namespace Vexolo
