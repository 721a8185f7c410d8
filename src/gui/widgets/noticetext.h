#pragma once

#include "storage/cardstore.h"

#include <QString>

namespace Vexolo::Ui {

// The words of what the card store tells, composed here only, in the texts users have always read.
// The message alone:
QString noticeMessage(const Notice &notice);
// The text of its message box: the message, then one line that names the cause where the system told it
// ("The card is full.").
QString noticeText(const Notice &notice);

// Asked before Save replaces program number, and before Delete removes it.
QString overwriteQuestion();
QString deleteQuestion(ProgramNumber number);

// The two messages about the chosen card: none chosen (or gone), another card in its place.
inline const QString NoCardMessage = QStringLiteral("No card is chosen! Choose the volume of your card first.");
inline const QString CardChangedMessage
    = QStringLiteral("The card was changed! Nothing was written to it. Choose its volume again to use the new card.");

// Told when a card does not answer within its time limit (a dead network or FUSE mount, a failing reader).
inline const QString CardNoAnswerMessage = QStringLiteral("The card does not answer.");
inline const QString CardWriterWaitMessage = QStringLiteral("Waiting for another program writing to this card…");

} // namespace Vexolo::Ui
