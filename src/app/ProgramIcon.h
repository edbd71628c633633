#pragma once

#include <QIcon>

namespace brv {

// The program's icon, a stopwatch, drawn from its SVG at the sizes window systems ask for.
QIcon programIcon();

} // namespace brv
