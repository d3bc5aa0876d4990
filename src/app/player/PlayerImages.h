#pragma once

#include <QPixmap>
#include <QString>

// The player's images, looked up by name ("play", "play_over",
// "trackbar_thumb_min", ...) in the application's resources. A missing image
// gives a null pixmap; the widgets then draw plain shapes instead.
namespace PlayerImages {
QPixmap image(const QString& name, const QSize& size = QSize());
} // namespace PlayerImages
