#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class QAudioOutput;
class QIODevice;
class QMediaPlayer;

// Plays a track for the timeline and keeps its playhead, in milliseconds. Without a sound device,
// without the track or when the track cannot be played, it runs silent on its own clock, so the
// playhead and the lamps still move; silentReason() says why in words.
class Preview final : public QObject
{
    Q_OBJECT

public:
    explicit Preview(QObject *parent = nullptr);
    ~Preview() override;
    Q_DISABLE_COPY_MOVE(Preview)

    // The track to play (none: silent) and where the playhead stops, in milliseconds.
    void setTrack(std::unique_ptr<QIODevice> track, qint64 end);
    void setEnd(qint64 end);
    // The sound's volume, 0 to 1.
    void setVolume(double volume);

    void toggle();
    void play();
    void stop();
    void seek(qint64 position);

    bool playing() const { return m_playing; }
    qint64 position() const { return m_position; }
    bool silent() const { return !m_silentReason.isEmpty(); }
    QString silentReason() const { return m_silentReason; }

Q_SIGNALS:
    void positionChanged(qint64 position);
    void playingChanged(bool playing);
    // The playhead reached the end it was given, and stopped there.
    void reachedEnd();
    void silentChanged();

private:
    void tick();
    qint64 currentPosition() const;
    void goSilent(const QString &reason);
    void dropPlayer();

    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_startedAt = 0; // the position when the clock started
    qint64 m_position = 0;
    qint64 m_end = 0;
    bool m_playing = false;
    double m_volume = 1.0;
    QString m_silentReason;
    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
};
