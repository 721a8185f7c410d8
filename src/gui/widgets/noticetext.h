#pragma once

#include "storage/cardstore.h"

#include <QString>

namespace Vexolo::Ui {

// The text of a notice's message box, composed here only: the store's message as the user has always read
// it, then one line that names the cause where the system told it ("The card is full.").
QString noticeText(const Notice &notice);

// Told when a card does not answer within CardAnswerLimit (a dead network or FUSE mount, a failing reader).
inline const QString CardNoAnswerMessage = QStringLiteral("The card does not answer.");

} // namespace Vexolo::Ui
