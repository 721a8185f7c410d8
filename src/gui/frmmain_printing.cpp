#include "frmmain.h"

#include "card/tracknames.h"
#include "platform/platformadapter.h"
#include "printing.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>

// Printing the playlist and the card. Printer errors are not reported to the user.

namespace {

void printThroughDialog(frmMain &window, const QString &heading, const QStringList &entries)
{
    const std::unique_ptr<QPrinter> printer = window.platform().OpenPrinterDialog(&window);
    if (!printer)
        return;
    if (printer->copyCount() < 1)
        return;
    Vexolo::printList(*printer, heading, entries);
}

} // namespace

void frmMain::cmdPrint_Action()
{
    QStringList entries = rowTexts(lstList);
    for (QString &entry : entries)
        entry = Vexolo::ExtractFilename(entry);
    printThroughDialog(*this, txtName->text(), entries);
}

void frmMain::cmdPrintRoot_Action()
{
    printThroughDialog(*this, QStringLiteral("Directory on ") + drvCard->currentText(), rowTexts(lstCard));
}
