#include "storage/cardstore_p.h"

#include "card/tracknames.h"
#include "storage/cardfiles.h"
#include "storage/cardread.h"
#include "storage/cardtext.h"
#include "storage/safefile.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

using namespace StoreDetail;

namespace {

Notice listingFailed(int error)
{
    return caution(Notice::Message::NoListing, error, programsPath(RootDirFileName));
}

} // namespace

Notices ListingFile::writeListing(const QStringList &tracks, const Progress &progress)
{
    // Without the chosen card there is nowhere to write: nothing is ever created outside a card.
    const Fd root = openRoot();
    if (!root.isOpen())
        return {};
    // A folder chosen by mistake (a home folder) is no card: it holds no track and no programs.
    int error = 0;
    const Fd programs = openPrograms(root.get(), !tracks.isEmpty(), &error);
    if (tracks.isEmpty() && !programs.isOpen())
        return {};
    if (programs.isOpen())
        removeLeftoverTemporaries(programs.get(), m_ops);
    return listingAt(root.get(), programs.get(), tracks, progress, error);
}

Notices ListingFile::rewriteListing()
{
    const Fd root = openRoot();
    if (!root.isOpen())
        return {noCard()};
    CardError listed;
    const QStringList tracks = tracksAt(root.get(), m_ops, nullptr, &listed);
    if (listed.failed())
        return {caution(Notice::Message::NoListing, listed.number, programsPath(RootDirFileName))};
    int error = 0;
    const Fd programs = openPrograms(root.get(), true, &error);
    if (programs.isOpen())
        removeLeftoverTemporaries(programs.get(), m_ops);
    return listingAt(root.get(), programs.get(), tracks, {}, error);
}

Notices ListingFile::listingAt(int root, int programs, const QStringList &tracks, const Progress &progress, int error)
{
    CardStore::Lookup lookup = m_tracks.lookupAt(root, tracks, progress);
    if (programs == -1
        || !writeFileSafely(programs, RootDirFileName, formatListing(lookup.commandStrings), m_ops, &error))
        lookup.notices.append(listingFailed(error));
    return lookup.notices;
}

} // namespace Vexolo
