#include "app/map/WebMapView.h"

#include "core/foundation/UserDefaultUtil.h"
#include "core/map/MapSupportFiles.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

// Outside any namespace, as Q_INIT_RESOURCE requires: the page and the title
// bar's images live in a static library, so they are registered on first use.
static void registerMapResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(map);
        return true;
    }();
    (void)done;
}

void WebMapView::registerResources()
{
    registerMapResources();
}

// ---- the bridge ----

void MapPageBridge::setZoom(int zoom)
{
    const int z = std::clamp(zoom, 0, 30);
    if (m_zoom == z) return;
    m_zoom = z;
    Q_EMIT zoomChanged();
}

void MapPageBridge::setMapTypeId(const QString& id)
{
    const QString kept = id.left(32);
    if (kept == m_mapTypeId) return;
    m_mapTypeId = kept;
    Q_EMIT mapTypeIdChanged();
}

void MapPageBridge::setDispBalloon(bool show)
{
    if (show == m_dispBalloon) return;
    m_dispBalloon = show;
    Q_EMIT dispBalloonChanged();
}

void MapPageBridge::setMapVersion(const QString& version)
{
    const QString kept = version.left(64);
    if (kept == m_mapVersion) return;
    m_mapVersion = kept;
    Q_EMIT mapVersionChanged();
}

void MapPageBridge::markerClickWithId_(const QString& key)
{
    Q_EMIT markerClicked(key);
}

// ---- the page ----

namespace {

const QString PAGE_FOLDER = QStringLiteral("qrc:/map/");

// Keeps the page on our own resources: the links of the map credits open in
// the user's browser, any other navigation is refused, and the page opens
// no windows.
class WebMapPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override
    {
        if (url.toString().startsWith(PAGE_FOLDER)) return true;
        static const QStringList creditHosts{QStringLiteral("www.openstreetmap.org"),
                                             QStringLiteral("opentopomap.org"),
                                             QStringLiteral("leafletjs.com")};
        if (type == NavigationTypeLinkClicked && url.scheme() == QLatin1String("https") &&
            creditHosts.contains(url.host()))
            QDesktopServices::openUrl(url);
        return false;
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override
    {
        if (level == ErrorMessageLevel) qWarning().noquote() << "map page:" << source << line << message;
    }
};

} // namespace

// Blocks every request that is not for the page's own resources while the
// network is off.
class WebMapView::Interceptor : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    std::atomic<bool> networkAllowed{true};
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (!networkAllowed.load() && scheme != QLatin1String("qrc") && scheme != QLatin1String("data"))
            info.block(true);
    }
};

// ---- the pane ----

WebMapView::WebMapView(int language, QWidget* parent)
    : QWebEngineView(parent), m_language(std::clamp(language, 0, 2)),
      m_model([this](const QString& script) { evaluate(script); }, UserDefaultUtil::mapDispBaloon)
{
    registerMapResources();
    m_model.mapTypeId = UserDefaultUtil::mapTypeId;
    m_model.mapZoom = int(UserDefaultUtil::mapZoom);
    m_model.mapLanguage = m_language;
    setContextMenuPolicy(Qt::NoContextMenu);

    // A profile of its own, kept in memory: the map leaves nothing on disk,
    // and tile servers see which program asks them.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setHttpUserAgent(QStringLiteral("KorveltaReplay/%1 %2")
                                    .arg(QStringLiteral(KR_APP_VERSION), m_profile->httpUserAgent()));
    m_interceptor = new Interceptor(this);
    m_profile->setUrlRequestInterceptor(m_interceptor);
    auto* page = new WebMapPage(m_profile, this);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    page->setBackgroundColor(QColor(0xdf, 0xe2, 0xe4));
    setPage(page);

    m_bridge = new MapPageBridge(this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("MapView"), m_bridge);
    page->setWebChannel(m_channel);
    connect(m_bridge, &MapPageBridge::markerClicked, this, &WebMapView::onMarkerClicked);
    connect(m_bridge, &MapPageBridge::mapVersionChanged, this, &WebMapView::writeVersionNote);
    connect(page, &QWebEnginePage::loadStarted, this, [this] { m_model.pageLoadStarted(); });
    connect(page, &QWebEnginePage::loadFinished, this, &WebMapView::onLoadFinished);
    m_versionNoteFolder = MapSupportFiles::versionNoteFolder();
    loadPage();
}

WebMapView::~WebMapView()
{
    // The page goes before its profile.
    delete page();
}

QUrl WebMapView::pageUrl(int language)
{
    static const char* const languages[] = {"en", "fr", "es"};
    return QUrl(PAGE_FOLDER + QStringLiteral("index.html?lang=") +
                QLatin1String(languages[std::clamp(language, 0, 2)]));
}

bool WebMapView::loadPage()
{
    const QUrl url = pageUrl(m_language);
    if (!QFile::exists(QLatin1Char(':') + url.path())) return false;
    m_model.pageLoadStarted();
    page()->load(url);
    return true;
}

void WebMapView::onLoadFinished(bool ok)
{
    if (ok) m_model.onPageLoaded();
    Q_EMIT pageLoaded(ok);
}

void WebMapView::evaluate(const QString& script)
{
    if (m_observer) m_observer(script);
    page()->runJavaScript(script);
}

QString WebMapView::currentMapTypeId() const
{
    const QString reported = m_bridge->mapTypeId();
    return reported.isEmpty() ? m_model.mapTypeId : reported;
}

void WebMapView::setNetworkAllowed(bool allowed)
{
    m_interceptor->networkAllowed.store(allowed);
}

void WebMapView::onMarkerClicked(const QString& key)
{
    // A copy: the play the click starts may replace the markers.
    const MapPoint* point = m_model.marker(key);
    if (!point || !delegate) return;
    const MapPoint clicked = *point;
    delegate->markerClicked(clicked);
}

void WebMapView::writeVersionNote()
{
    if (m_versionNoteWritten || m_versionNoteFolder.isEmpty() || m_bridge->mapVersion().isEmpty()) return;
    m_versionNoteWritten = true;
    // Written and flushed off the GUI thread: a busy disk never holds the
    // window up for a note of versions.
    (void)QtConcurrent::run([folder = m_versionNoteFolder, now = QDateTime::currentDateTime(),
                             mapVersion = m_bridge->mapVersion()] {
        MapSupportFiles::writeVersionNote(folder, now, QStringLiteral(KR_APP_VERSION), mapVersion);
    });
}
