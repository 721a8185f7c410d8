#include "preview.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QIODevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace {

constexpr int TickMilliseconds = 40;

const QString SilentClock = QStringLiteral(": the preview runs silent on its own clock.");

} // namespace

Preview::Preview(QObject *parent)
    : QObject(parent)
{
    m_tick.setInterval(TickMilliseconds);
    connect(&m_tick, &QTimer::timeout, this, &Preview::tick);
}

Preview::~Preview()
{
    dropPlayer();
}

void Preview::dropPlayer()
{
    if (m_player) {
        m_player->stop();
        delete m_player;
        m_player = nullptr;
    }
    delete m_output;
    m_output = nullptr;
}

void Preview::goSilent(const QString &reason)
{
    const bool changed = m_silentReason != reason;
    m_silentReason = reason;
    if (m_player) {
        // Played up to here with sound: the clock goes on from the same place.
        m_position = m_player->position();
        m_startedAt = m_position;
        m_clock.restart();
        // Deleting the player inside its own signal is not safe: later.
        m_player->deleteLater();
        m_player = nullptr;
        m_output->deleteLater();
        m_output = nullptr;
    }
    if (changed)
        Q_EMIT silentChanged();
}

void Preview::setTrack(std::unique_ptr<QIODevice> track, qint64 end)
{
    stop();
    dropPlayer();
    m_end = end;
    m_position = 0;
    Q_EMIT positionChanged(0);
    if (!track) {
        goSilent(QStringLiteral("The track cannot be opened") + SilentClock);
        return;
    }
    if (QMediaDevices::audioOutputs().isEmpty()) {
        goSilent(QStringLiteral("No sound device") + SilentClock);
        return;
    }
    m_output = new QAudioOutput(this);
    m_player = new QMediaPlayer(this);
    // The player's child, so it outlives whatever the player does on its way out.
    QIODevice *device = track.release();
    device->setParent(m_player);
    m_output->setVolume(float(m_volume));
    m_player->setAudioOutput(m_output);
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString &text) {
        goSilent(QStringLiteral("The track cannot be played (%1)").arg(text) + SilentClock);
    });
    m_player->setSourceDevice(device, QUrl(QStringLiteral("track.mp3")));
    m_silentReason.clear();
    Q_EMIT silentChanged(); // the window words its state anew either way
}

void Preview::setEnd(qint64 end)
{
    m_end = end;
}

void Preview::setVolume(double volume)
{
    m_volume = volume;
    if (m_output)
        m_output->setVolume(float(volume));
}

void Preview::toggle()
{
    if (m_playing)
        stop();
    else
        play();
}

void Preview::play()
{
    if (m_playing)
        return;
    if (m_position >= m_end)
        m_position = 0;
    m_startedAt = m_position;
    m_clock.start();
    if (m_player) {
        m_player->setPosition(m_position);
        m_player->play();
    }
    m_playing = true;
    m_tick.start();
    Q_EMIT playingChanged(true);
}

void Preview::stop()
{
    if (!m_playing)
        return;
    m_position = std::min(currentPosition(), m_end);
    if (m_player)
        m_player->pause();
    m_tick.stop();
    m_playing = false;
    Q_EMIT positionChanged(m_position);
    Q_EMIT playingChanged(false);
}

void Preview::seek(qint64 position)
{
    m_position = std::clamp<qint64>(position, 0, m_end);
    m_startedAt = m_position;
    m_clock.restart();
    if (m_player)
        m_player->setPosition(m_position);
    Q_EMIT positionChanged(m_position);
}

qint64 Preview::currentPosition() const
{
    if (m_player && m_player->playbackState() == QMediaPlayer::PlayingState)
        return m_player->position();
    return m_startedAt + m_clock.elapsed();
}

void Preview::tick()
{
    if (currentPosition() >= m_end) {
        stop();
        Q_EMIT reachedEnd();
        return;
    }
    m_position = currentPosition();
    Q_EMIT positionChanged(m_position);
}
