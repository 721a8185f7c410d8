#pragma once

#include "printing/cuesheetprinting.h"

#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace Vexolo::Ui {

// Draws the pages on the printer; progress may stop it.
using DrawPages = std::function<bool(QPrinter &printer, const PageProgress &progress)>;

// Prints away from the window's thread: a PDF is a file, and a printer's queue may stop answering. A job that takes
// more than half a second shows label and its pages, and can be stopped. done(printed, stopped) comes on parent's
// thread once the pages are drawn, never once parent is gone. Jobs go out one after another, in the order asked.
void printAway(QWidget *parent, std::unique_ptr<QPrinter> printer, const QString &label, DrawPages draw,
               std::function<void(bool printed, bool stopped)> done);

} // namespace Vexolo::Ui
