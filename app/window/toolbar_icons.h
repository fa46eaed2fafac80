#pragma once
// The tool bar's icons, painted at start-up: 0 load, 1 play, 2 compute, 3 print, 4 exit, 6 info,
// 7 save the picture, 8 measure automatically, 9 copy the measurement, 10 listen live.

#include <QIcon>

namespace pirolex {

QIcon ToolIcon(int index);

}  // namespace pirolex
