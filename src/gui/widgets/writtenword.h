#pragma once

#include <QLabel>
#include <QTimer>

namespace Vexolo::Ui {

// A short word after a write ("Program 1 saved on PLAYER03 · Player 3"): shown for a few seconds in a strip that
// covers no control, and said to screen readers. Failures keep their message boxes.
class WrittenWord final : public QLabel
{
public:
    explicit WrittenWord(QWidget *parent);

    void say(const QString &word);

    static constexpr int ShownMs = 5000;

private:
    QTimer m_shown;
};

} // namespace Vexolo::Ui
