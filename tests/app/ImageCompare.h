#pragma once

// Picture measures shared by the player tests.

#include <QImage>
#include <cmath>

namespace imagetest {

// Mean luminance (0..255) of a picture.
inline double meanLuma(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            sum += 0.299 * qRed(line[x]) + 0.587 * qGreen(line[x]) + 0.114 * qBlue(line[x]);
    }
    return sum / (static_cast<double>(rgb.width()) * rgb.height());
}

// Mean absolute difference per colour channel (0..255) of two pictures, the
// second scaled to the first's size; very large when either is missing.
inline double meanDifference(const QImage& a, const QImage& b)
{
    if (a.isNull() || b.isNull()) return 1e9;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32).scaled(x.size());
    double sum = 0.0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col]))
                + std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace imagetest
