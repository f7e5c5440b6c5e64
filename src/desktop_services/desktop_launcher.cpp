#include "desktop_launcher.h"

namespace ferrowax {

QByteArray fileUrlOf(const QByteArray& path)
{
    return "file://" + path.toPercentEncoding("/");
}

} // namespace ferrowax
