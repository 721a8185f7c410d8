#pragma once

#include "storage/cardstore.h"

#include <QByteArrayView>
#include <QSet>
#include <QString>

// Shared by the card store's own files; no part of its interface.
namespace Vexolo::StoreDetail {

// Reports progress every few hundred items, and at the end.
void report(const Progress &progress, qsizetype done, qsizetype total);
// Whether a name of the card root, as bytes, is a track's: it ends in ".mp3" (any case) and holds no control
// character.
bool isTrackFileName(QByteArrayView name);
// Adds the name, folded, to the names that may be command files.
void addCommandFileCandidate(QSet<QString> &present, QByteArrayView name);

} // namespace Vexolo::StoreDetail
