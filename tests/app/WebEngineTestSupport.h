#pragma once

// Helpers of the tests that load the map page in the browser engine: the
// engine's start-up settings, a synchronous read of a page expression and
// the way the car's arrow points on the page.

#include "TestMain.h"
#include "core/foundation/CommonConst.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMap>
#include <QVariant>
#include <QWebEnginePage>
#include <QtTest>

namespace webtest {

// What the browser engine needs before the application object exists: no
// sandbox as root, no GPU, shared drawing contexts.
inline void prepareEngine()
{
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// The value of a script in the page (invalid when it does not answer in time).
inline QVariant evaluate(QWebEnginePage* page, const QString& script, int ms = 10000)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    QDeadlineTimer deadline(ms);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result;
}

// The compass heading (degrees clockwise from north) the car's arrow points
// to on the page: from the disc's centre to the arrow's tip, both as drawn;
// NaN when no arrow is drawn.
inline double arrowHeading(QWebEnginePage* page)
{
    return evaluate(page, QStringLiteral("(function () {"
                                         "  var arrow = document.querySelector('.kr-car-arrow');"
                                         "  var disc = document.querySelector('.kr-car-disc');"
                                         "  if (!arrow || !disc) return NaN;"
                                         "  var svg = arrow.ownerSVGElement;"
                                         "  var start = arrow.getPointAtLength(0);"
                                         "  var tip = svg.createSVGPoint(); tip.x = start.x; tip.y = start.y;"
                                         "  tip = tip.matrixTransform(arrow.getCTM());"
                                         "  var dx = tip.x - disc.cx.baseVal.value, dy = tip.y - disc.cy.baseVal.value;"
                                         "  return (Math.atan2(dx, -dy) * 180 / Math.PI + 360) % 360;"
                                         "})()"))
        .toDouble();
}

// The sixteen headings a frame can carry, in compass degrees.
inline const QMap<IconId, double>& compassDegrees()
{
    static const QMap<IconId, double> degrees{
        {IconId::North, 0.0},       {IconId::NNEast, 22.5},     {IconId::NorthEast, 45.0},
        {IconId::NorthEE, 67.5},    {IconId::East, 90.0},       {IconId::SouthEE, 112.5},
        {IconId::SouthEast, 135.0}, {IconId::SSEast, 157.5},    {IconId::South, 180.0},
        {IconId::SSWest, 202.5},    {IconId::SouthWest, 225.0}, {IconId::SouthWW, 247.5},
        {IconId::West, 270.0},      {IconId::NorthWW, 292.5},   {IconId::NorthWest, 315.0},
        {IconId::NNWest, 337.5}};
    return degrees;
}

} // namespace webtest

#define KR_WEBENGINE_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        webtest::prepareEngine();                                                                            \
        QApplication app(argc, argv);                                                                        \
        apptest::SettingsWrittenFirst<TestObject> test;                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
