#pragma once

#include <QString>

// Milliseconds as "hh:mm:ss.cc" (hours wrap after 99); "--:--:--.--" for a
// negative position.
QString FormatPosition(int ms);
