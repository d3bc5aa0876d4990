#include "core/mainwindow/VersionCheck.h"

#include <gtest/gtest.h>

using VersionCheck::isNewer;
using VersionCheck::parseVersion;

namespace {
QList<int> v(const char* text)
{
    const auto parsed = parseVersion(QString::fromLatin1(text));
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(QList<int>{});
}
} // namespace

TEST(VersionCheck, AnnouncesOnlyLaterVersions)
{
    const QList<int> local = v("1.3.0");
    EXPECT_FALSE(isNewer(v("1.3.0"), local));
    EXPECT_TRUE(isNewer(v("1.3.1"), local));
    EXPECT_TRUE(isNewer(v("1.4.0"), local));
    EXPECT_TRUE(isNewer(v("2.0.0"), local));
    EXPECT_FALSE(isNewer(v("1.2.9"), local));
    EXPECT_FALSE(isNewer(v("0.9.9"), local));
}

TEST(VersionCheck, ComparesNumbersNotText)
{
    EXPECT_TRUE(isNewer(v("1.10.0"), v("1.9.0")));
    EXPECT_FALSE(isNewer(v("1.9.0"), v("1.10.0")));
}

TEST(VersionCheck, ShortVersionsCountMissingNumbersAsZero)
{
    EXPECT_FALSE(isNewer(v("1.3"), v("1.3.0")));
    EXPECT_TRUE(isNewer(v("1.3.0.0"), v("1.2")));
    EXPECT_TRUE(isNewer(v("2"), v("1.9.9")));
    EXPECT_FALSE(isNewer(v("1"), v("1.0.1")));
    EXPECT_FALSE(isNewer({}, {}));
}

TEST(VersionCheck, NumbersAfterTheThirdDoNotCount)
{
    EXPECT_FALSE(isNewer(v("1.3.0.9"), v("1.3.0")));
}

TEST(VersionCheck, MalformedTextsGiveNoVersion)
{
    // A line end or a blank around the text leaves a piece that is no number.
    for (const char* bad : {"", "\n", "1.3.1\n", "1.3.1\r\n", " 1.3.1", "1..3", "1.3.", ".1", "1.3.x",
                            "-1.3.0", "+1.3", "1.3 .0", "<html><body>404</body></html>", "1.3.99999999999"})
        EXPECT_FALSE(parseVersion(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(VersionCheck, BodyMustBeUtf8)
{
    EXPECT_TRUE(VersionCheck::parseVersionData(QByteArray("2.0.0")).has_value());
    EXPECT_FALSE(VersionCheck::parseVersionData(QByteArray("2.0\xff.0")).has_value());
}

TEST(VersionCheck, UserAgentCarriesTitleAndBracketedNumbers)
{
    EXPECT_EQ(VersionCheck::userAgent({1, 3, 0}), QStringLiteral("KORVELTA REPLAY/[1, 3, 0]"));
}

TEST(VersionCheck, ServerSettingBecomesAnHttpsUrl)
{
    EXPECT_EQ(VersionCheck::versionUrl(QStringLiteral("www.example.com")).toString(),
              QStringLiteral("https://www.example.com/top/driverecorder/KorveltaReplay/mac/ver.txt"));
    EXPECT_EQ(
        VersionCheck::versionUrl(QStringLiteral("https://updates.example.com:8443")).toString(),
        QStringLiteral("https://updates.example.com:8443/top/driverecorder/KorveltaReplay/mac/ver.txt"));
}

TEST(VersionCheck, PlainHttpOnlyForTheLoopbackHost)
{
    EXPECT_TRUE(VersionCheck::versionUrl(QStringLiteral("http://127.0.0.1:8080")).isValid());
    EXPECT_TRUE(VersionCheck::versionUrl(QStringLiteral("http://localhost:8080")).isValid());
    EXPECT_FALSE(VersionCheck::versionUrl(QStringLiteral("http://www.example.com")).isValid());
    EXPECT_FALSE(VersionCheck::versionUrl(QStringLiteral("http://127.0.0.1.example.com")).isValid());
    EXPECT_FALSE(VersionCheck::versionUrl(QStringLiteral("ftp://www.example.com")).isValid());
    EXPECT_FALSE(VersionCheck::versionUrl(QStringLiteral("")).isValid());
    EXPECT_FALSE(VersionCheck::versionUrl(QStringLiteral("bad host name")).isValid());
}
