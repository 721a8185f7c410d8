#include "printing/printjob.h"

#include "storage/cardsession.h"

#include <QPointer>
#include <QPrinter>
#include <QProgressDialog>

#include <atomic>

namespace Vexolo::Ui {

void printAway(QWidget *parent, std::unique_ptr<QPrinter> printer, const QString &label, DrawPages draw,
               std::function<void(bool printed, bool stopped)> done)
{
    auto *pages = new QProgressDialog(label, QObject::tr("Cancel"), 0, 0, parent);
    pages->setWindowModality(Qt::WindowModal);
    pages->setMinimumDuration(500);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    QObject::connect(pages, &QProgressDialog::canceled, pages, [stop] { *stop = true; });

    // The pages drawn reach the progress window through a relay that outlives it on the window's thread.
    const std::shared_ptr<QObject> relay(new QObject, [](QObject *object) { object->deleteLater(); });
    const PageProgress progress = [relay, stop, shown = QPointer<QProgressDialog>(pages)](int drawn, int total) {
        QMetaObject::invokeMethod(
            relay.get(),
            [shown, drawn, total] {
                if (shown) {
                    shown->setMaximum(total);
                    shown->setValue(drawn);
                }
            },
            Qt::QueuedConnection);
        return !stop->load();
    };
    // One queue for every print job; a write, so the program does not end with a PDF half drawn.
    CardSession::instance().run<bool>(
        QStringLiteral("printer"), parent,
        [job = std::shared_ptr<QPrinter>(std::move(printer)), draw = std::move(draw), progress] {
            return draw(*job, progress);
        },
        [done = std::move(done), stop, shown = QPointer<QProgressDialog>(pages)](bool printed) {
            delete shown.data();
            if (done)
                done(printed, stop->load());
        },
        CardSession::Mode::Write);
}

} // namespace Vexolo::Ui
