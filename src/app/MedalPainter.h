#pragma once

#include "competition/CellStyle.h"

#include <QRect>

class QPainter;

namespace brv {

// The three medals of the Finale and overall tables, about 17 x 17 pixels, drawn with a
// ribbon so they read at table size.
void paintMedal(QPainter& painter, const QRect& box, Medal medal);

} // namespace brv
