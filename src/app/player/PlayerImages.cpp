#include "app/player/PlayerImages.h"

#include <QFile>
#include <QIcon>

// Outside any namespace, as Q_INIT_RESOURCE requires. The resources live in
// a static library, so they are registered explicitly on first use.
static void registerPlayerResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(player);
        return true;
    }();
    (void)done;
}

namespace PlayerImages {

QPixmap image(const QString& name, const QSize& size)
{
    registerPlayerResources();
    const QString path = QStringLiteral(":/player/%1.svg").arg(name);
    if (!QFile::exists(path))
        return {};
    if (size.isValid())
        return QIcon(path).pixmap(size);
    return QPixmap(path);
}

} // namespace PlayerImages
