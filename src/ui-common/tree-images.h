#pragma once

#include <QIcon>
#include <QPixmap>

#include "results/item-state.h"

namespace velmora {

// Items of the engine and server trees keep their mark under this role.
inline constexpr int kTreeMarkRole = Qt::UserRole + 1;
// Server items keep the handle of the server they show under this role.
inline constexpr int kServerHandleRole = Qt::UserRole + 2;
// Results tree items keep the record they stand for under this role.
inline constexpr int kRecordRole = Qt::UserRole + 3;

// The 16-by-16 marks shared by the engine and server trees, one a state (idle,
// running, unused bulb, success, failure, untested, nothing found).
QIcon GetTreeImage(ItemState state);
// The program's icon (the globe) at a given size.
QPixmap GetProgramIcon(int size);

} // namespace velmora
