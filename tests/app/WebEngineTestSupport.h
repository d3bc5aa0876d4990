#pragma once

// Helpers of the tests that load the map page in the browser engine: the
// engine's start-up settings and a synchronous read of a page expression.

#include <QApplication>
#include <QDeadlineTimer>
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

} // namespace webtest

#define KR_WEBENGINE_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        webtest::prepareEngine();                                                                            \
        QApplication app(argc, argv);                                                                        \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
