#include "fleet/cardnaming.h"

#include "fleet/cardlabel.h"
#include "fleet/fleetrepository.h"

#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace Vexolo {

CardNaming nameCard(const QString &root, bool withPlayer)
{
    CardNaming naming;
    if (root.isEmpty())
        return naming;
    struct statvfs fs
    {
    };
    if (::statvfs(QFile::encodeName(root).constData(), &fs) == 0)
        naming.bytes = qint64(fs.f_blocks) * qint64(fs.f_frsize);
    const CardLabel card = identifyCard(root);
    naming.label = card.label;
    // Without a fleet there is no player to name, and nothing is made on the way.
    if (!withPlayer || card.key.isEmpty() || !QFileInfo::exists(FleetRepository::defaultPath()))
        return naming;
    if (const std::optional<Player> player = FleetRepository().player(card.key).value) {
        naming.player = player->name;
        naming.location = player->location;
    }
    return naming;
}

} // namespace Vexolo
