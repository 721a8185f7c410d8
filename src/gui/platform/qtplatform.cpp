#include "platform/qtplatform.h"

#include "platform/mountwatcher.h"
#include "storage/mounts.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSet>

PlatformAdapter::Answer QtPlatform::MsgBox(const QString &text, int code, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    // Qt shows the application's name in place of an empty title: a box without one shows a blank.
    box.setWindowTitle(title.isEmpty() ? QStringLiteral(" ") : title);
    box.setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    if (code == QuestionSaveDiscardCancel) {
        box.setIcon(QMessageBox::Question);
        // Own captions, so Alt+S, Alt+D and Alt+C answer whatever the desktop theme calls the buttons.
        QPushButton *save = box.addButton(QStringLiteral("&Save"), QMessageBox::AcceptRole);
        QPushButton *discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
        QPushButton *cancel = box.addButton(QStringLiteral("&Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == save)
            return AnswerSave;
        return box.clickedButton() == discard ? AnswerDiscard : AnswerCancel;
    }
    if (isQuestion(code)) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Set explicitly: Qt's own choice depends on the desktop theme.
        box.setDefaultButton((code & DefaultSecond) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? AnswerYes : AnswerNo;
    }
    box.setIcon(code == Caution ? QMessageBox::Warning : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return AnswerOk;
}

QStringList QtPlatform::volumes()
{
    return cardVolumeCandidates();
}

void QtPlatform::watchVolumes(QObject *receiver, std::function<void()> changed)
{
    // A child of the receiver: the watch ends with it.
    auto *watcher = new MountWatcher(receiver);
    QObject::connect(watcher, &MountWatcher::changed, receiver, std::move(changed));
}

QStringList QtPlatform::cardVolumeCandidates()
{
    // The mount table alone: asking a mount itself (statfs) waits forever on a dead network or FUSE mount.
    return Vexolo::cardVolumes(Vexolo::readMountTable());
}

std::unique_ptr<QPrinter> QtPlatform::OpenPrinterDialog(QWidget *parent)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent);
    // Only what the program honours is offered (it draws range, copies and collation itself);
    // there is no current page and no selection to print.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange
                      | QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    // The page count depends on the paper chosen in this dialog: any range may be asked for, and
    // pages past the last are simply not there.
    dialog.setMinMax(1, 9999);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}
