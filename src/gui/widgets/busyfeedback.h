#pragma once

#include "storage/cardstore.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <memory>

class QProgressDialog;

namespace Vexolo::Ui {

// While the card is read or written: the wait cursor for as long as the object lives, a progress
// dialog once the work has run longer than showAfterMs and reports progress, and no user input
// reaches any window but a question or warning shown meanwhile, so no other handler of either
// window runs in the middle of the work. A request to close a window meanwhile is carried out
// when the work ends. Objects may nest; the outermost one ends the work.
class BusyFeedback final
{
public:
    explicit BusyFeedback(QWidget *window, int showAfterMs = 1000);
    ~BusyFeedback();
    Q_DISABLE_COPY_MOVE(BusyFeedback)

    // done out of total units of work; the dialog appears only once showAfterMs have passed.
    void progress(qint64 done, qint64 total);

    // progress() as the card store takes it.
    Vexolo::Progress callback()
    {
        return [this](qint64 done, qint64 total) { progress(done, total); };
    }

    // For long copies: the dialog, once shown, says label and has a Cancel button, the one control that takes input
    // meanwhile. cancelled() tells whether it was pressed.
    void allowCancel(const QString &label);
    bool cancelled() const;

    QProgressDialog *dialog() const { return m_dialog.get(); }
    // Whether card work is going on.
    static bool active();

private:
    QPointer<QWidget> m_window;
    int m_showAfterMs;
    QElapsedTimer m_elapsed;
    QElapsedTimer m_painted;
    std::unique_ptr<QProgressDialog> m_dialog;
    QString m_cancelLabel; // empty: no Cancel
};

} // namespace Vexolo::Ui
