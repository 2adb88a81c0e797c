#include "support/UFormatPosition.h"

QString FormatPosition(int ms)
{
    if (ms < 0)
        return QStringLiteral("--:--:--.--");
    const int cc = (ms / 10) % 100;
    const int ss = (ms / 1000) % 60;
    const int mm = (ms / 60000) % 60;
    const int hh = (ms / 3600000) % 100;
    return QString::asprintf("%02d:%02d:%02d.%02d", hh, mm, ss, cc);
}
