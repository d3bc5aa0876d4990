// The texts of the calls into the map page: numbers, string literals that
// card texts cannot break out of, and the exact forms of each call.

#include "core/map/MapScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

// What a JavaScript (or JSON) reader makes of a literal.
QString readBack(const QString& literal)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(literal).toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << literal.toStdString();
    return doc.array().at(0).toString();
}

} // namespace

TEST(MapScript, NumbersAreShortestWithADigitAfterThePoint)
{
    EXPECT_EQ(MapScript::number(0.0), "0.0");
    EXPECT_EQ(MapScript::number(1000.0), "1000.0");
    EXPECT_EQ(MapScript::number(-29.4944), "-29.4944");
    EXPECT_EQ(MapScript::number(132.6368), "132.6368");
    EXPECT_EQ(MapScript::number(0.00001), "1e-05");
    EXPECT_EQ(MapScript::number(139.767125), "139.767125");
    // Every value reads back as the same double.
    for (const double v : {0.1, 1.0 / 3.0, -151.209290, 33.868820, 1e-300})
        EXPECT_EQ(MapScript::number(v).toDouble(), v);
}

TEST(MapScript, CardTextsStayInsideTheirLiteral)
{
    const QString hostile[] = {
        QStringLiteral("a\"b"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("</script><script>window.pwned=1</script>"),
        QStringLiteral("line\nbreak\r\u2028\u2029"),
        QStringLiteral("\");window.pwned=1;(\""),
        QString(QChar(0xD800)) + QStringLiteral("lone surrogate"),
        QStringLiteral("日本語 ①"),
    };
    for (const QString& text : hostile) {
        const QString literal = MapScript::string(text);
        // ASCII only, no markup characters, no raw line ends.
        for (const QChar c : literal) {
            EXPECT_LT(c.unicode(), 0x7f);
            EXPECT_GE(c.unicode(), 0x20);
            EXPECT_NE(c, QLatin1Char('<'));
        }
        if (!text.contains(QChar(0xD800))) {
            EXPECT_EQ(readBack(literal), text);
        }
        // The literal is one token: no unescaped quote inside it.
        const QString body = literal.mid(1, literal.size() - 2);
        for (qsizetype i = 0; i < body.size(); ++i) {
            if (body[i] == QLatin1Char('"')) {
                EXPECT_TRUE(i > 0 && body[i - 1] == QLatin1Char('\\'));
            }
        }
    }
}

TEST(MapScript, CallTextsHaveTheirFixedForms)
{
    EXPECT_EQ(MapScript::movePosition(-29.4944, 132.6368), "movePosition(-29.4944,132.6368)");
    EXPECT_EQ(MapScript::setCenter(0.0, 0.0), "setCenter(0.0,0.0)");
    EXPECT_EQ(MapScript::setZoom(15), "setZoom(15)");
    EXPECT_EQ(MapScript::setMapTypeId(QStringLiteral("roadmap")), "setMapTypeId(\"roadmap\")");
    EXPECT_EQ(MapScript::setDispBalloon(false), "setDispBalloon(false)");
    EXPECT_EQ(MapScript::setLanguage(2), "setLanguage(2)");
    EXPECT_EQ(MapScript::addMarker(QStringLiteral("C0_1"), -33.8688, 151.2093, QStringLiteral("15.03.2026"),
                                   MarkerType::EVENT),
              "addMarker(\"C0_1\", -33.8688, 151.2093,\"15.03.2026\", 2)");
    EXPECT_EQ(MapScript::drawMyCar(-33.5, 151.25, IconId::NNEast, true),
              "drawMyCar(-33.5, 151.25, 20, true)");
    EXPECT_EQ(MapScript::addPolyPoint(1.0, 2.0), "addPolyPoint(1.0, 2.0)");
    EXPECT_EQ(MapScript::route({{1.0, 2.0}, {-3.5, 4.25}}),
              "(function(p){for(var i=0;i<p.length;i+=2)addPolyPoint(p[i],p[i+1]);})([1.0,2.0,-3.5,4.25]);"
              "drawPolyline();");
}
