#include "app/UOpenUrl.h"

#include <QDesktopServices>

bool IsWebAddress(const QUrl& address)
{
    const QString scheme = address.scheme().toLower();
    return address.isValid() && (scheme == u"http" || scheme == u"https") && !address.host().isEmpty();
}

bool OpenUrl(const QUrl& address)
{
    return IsWebAddress(address) && QDesktopServices::openUrl(address);
}
