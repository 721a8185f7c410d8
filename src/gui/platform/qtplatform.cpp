#include "platform/qtplatform.h"

#include "platform/mountwatcher.h"
#include "storage/mounts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>

namespace {

// A document's name as a file name: no folder separators or characters other systems refuse, no
// control characters, not so long that the file system refuses it.
QString documentFileName(const QString &documentName)
{
    static constexpr qsizetype longest = 120;
    QString name = documentName.left(longest);
    if (name.size() == longest && name.back().isHighSurrogate())
        name.chop(1); // not half a character
    for (QChar &character : name) {
        if (character.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(character))
            character = u'_';
    }
    return name.trimmed();
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

std::optional<QString> QtPlatform::askText(const QString &text)
{
    bool ok = false;
    const QString answer
        = QInputDialog::getText(QApplication::activeWindow(), QStringLiteral(" "), text, QLineEdit::Normal, {}, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

PlatformAdapter::Confirmation QtPlatform::confirmWithOption(const QString &text, const QString &option)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    box.setWindowTitle(QStringLiteral(" "));
    box.setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    // The box belongs to the message box from here on.
    box.setCheckBox(new QCheckBox(option));
    const bool yes = box.exec() == QMessageBox::Yes;
    return {yes, yes && box.checkBox()->isChecked()};
}

std::optional<QString> QtPlatform::askSaveFileName(QWidget *parent, const QString &name, const QString &filter)
{
    const QString proposed = QDir(documentsFolder()).filePath(documentFileName(name));
    const QString chosen = QFileDialog::getSaveFileName(parent, QStringLiteral("Save"), proposed, filter);
    return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
}

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
    // One watcher for the whole program, made on first use: every window hears every change of the table. The
    // connection ends with the receiver.
    static QPointer<MountWatcher> watcher;
    if (!watcher)
        watcher = new MountWatcher(QCoreApplication::instance());
    QObject::connect(watcher, &MountWatcher::changed, receiver, std::move(changed));
}

QStringList QtPlatform::cardVolumeCandidates()
{
    // The mount table alone: asking a mount itself (statfs) waits forever on a dead network or FUSE mount.
    return Vexolo::cardVolumes(Vexolo::readMountTable());
}

std::unique_ptr<QPrinter> QtPlatform::OpenPrinterDialog(QWidget *parent)
{
    return openPrinterDialogFor(parent, {});
}

std::unique_ptr<QPrinter> QtPlatform::openPrinterDialogFor(QWidget *parent, const QString &documentName)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QString fileName = documentFileName(documentName);
    // The print queue shows the name too; Qt's own dialog derives its file name from it.
    if (!fileName.isEmpty())
        printer->setDocName(fileName);
    QPrintDialog dialog(printer.get(), parent);
    // Only what the program honours is offered (it draws range, copies and collation itself);
    // there is no current page and no selection to print.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange
                      | QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    // The page count depends on the paper chosen in this dialog: any range may be asked for, and
    // pages past the last are simply not there.
    dialog.setMinMax(1, 9999);
    // Setting the printer's output file would choose printing to a file over the user's printer, so
    // the proposal goes into the dialog's file field; the dialog asks before it replaces a file.
    if (auto *file = dialog.findChild<QLineEdit *>(QStringLiteral("filename")); file && !fileName.isEmpty())
        file->setText(QDir(documentsFolder()).filePath(fileName + QStringLiteral(".pdf")));
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}
