#pragma once

#include "fleet/fleet.h"

#include "storage/cardfiles.h"
#include "storage/cardtext.h"

// What the fleet's restore and apply share.
namespace Vexolo::FleetDetail {

inline QByteArray programsPrefix()
{
    return encodeFileName(ProgramsFolderName) + '/';
}
inline QByteArray listingPath()
{
    return programsPrefix() + encodeFileName(RootDirFileName);
}

// A path of a snapshot as a write of the card store.
inline CardStore::FileWrite writeOf(const QByteArray &path, const QByteArray &bytes)
{
    if (path.startsWith(programsPrefix()))
        return {CardStore::Folder::Programs, decodeFileName(path.mid(programsPrefix().size())), bytes};
    return {CardStore::Folder::Root, decodeFileName(path), bytes};
}

// The card's log line of a restore or an apply: "verified", "cancelled", or "failed: " and why.
FleetChange log(FleetRepository &fleet, const CardLabel &card, const QString &reference, const FleetResult &result);

} // namespace Vexolo::FleetDetail
