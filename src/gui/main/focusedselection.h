#pragma once

class QAbstractItemView;

namespace Vexolo::Ui {

// While view has no keyboard focus its selection is drawn in the palette's inactive colours, so the
// list that the keys act on is the one whose selection stands out.
void showSelectionByFocus(QAbstractItemView &view);

} // namespace Vexolo::Ui
