#pragma once

#include "storage/cardstore.h"

#include <optional>

class PlatformAdapter;

namespace Vexolo::Ui {

// The card the folder text names, found (and its tracks listed, when asked) off the window's thread:
// nullopt, after telling the user "The card does not answer.", when it gives no answer in time.
std::optional<CardChoice> findCardInTime(PlatformAdapter &platform, const QString &text, bool withTracks);

} // namespace Vexolo::Ui
