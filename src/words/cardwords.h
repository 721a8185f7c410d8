#pragma once

#include "storage/cardsession.h"

#include <QString>

// The words a card is known by in the windows, and the word said after a write to it.
namespace Vexolo {

// "64 MB", "1.9 GB", "512 kB", "900 bytes": decimal units, as cards are sold.
QString sizeText(qint64 bytes);
// The card by its label, or its folder's name when it has none; then its player: "PLAYER03 · Player 3".
QString cardText(const QString &root, const QString &label, const QString &player);
// A row of the volume list: "PLAYER03 — 64 MB — /media/PLAYER03"; what is not known is left out.
QString volumeText(const QString &root, const QString &label, qint64 bytes);
// What a write that was whole did, on the card so named: "Program 1 saved on PLAYER03 · Player 3"; empty for a
// change that is no finished write of the user's (a part of one, the register).
QString writtenText(const CardChange &change, const QString &card);

} // namespace Vexolo
