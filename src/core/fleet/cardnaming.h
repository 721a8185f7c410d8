#pragma once

#include <QString>

namespace Vexolo {

// What the user knows a card by: the file system's label, its size, and the player the fleet's register holds it for.
struct CardNaming
{
    QString label; // empty when the file system has none (or the folder is no volume's root)
    qint64 bytes = -1; // the file system's size; -1 when it cannot be asked
    QString player; // the player's name; empty when the card is not registered or there is no fleet
    QString location;
};

// Asks the disk service (or probes the device), the file system and, with withPlayer where there is a fleet, its
// register. May wait for a card that does not answer: never on the window's thread.
CardNaming nameCard(const QString &root, bool withPlayer = true);

} // namespace Vexolo
