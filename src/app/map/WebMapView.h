#pragma once

#include "core/map/WebMapModel.h"

#include <QObject>
#include <QPointer>
#include <QWebEngineView>
#include <functional>
#include <optional>

class QWebChannel;
class QWebEngineProfile;
class WebMapView;

// The one object the map page reaches ("MapView" on the page): the key of a
// clicked marker, and the page's zoom, map type, balloon display and library
// version, which the page sets whenever they change. Nothing else of the
// application is published to the page.
class MapPageBridge : public QObject {
    Q_OBJECT
    Q_PROPERTY(int zoom READ zoom WRITE setZoom NOTIFY zoomChanged)
    Q_PROPERTY(QString mapTypeId READ mapTypeId WRITE setMapTypeId NOTIFY mapTypeIdChanged)
    Q_PROPERTY(bool dispBalloon READ dispBalloon WRITE setDispBalloon NOTIFY dispBalloonChanged)
    Q_PROPERTY(QString mapVersion READ mapVersion WRITE setMapVersion NOTIFY mapVersionChanged)
public:
    using QObject::QObject;

    int zoom() const { return m_zoom.value_or(-1); }
    std::optional<int> knownZoom() const { return m_zoom; }
    QString mapTypeId() const { return m_mapTypeId; }
    bool dispBalloon() const { return m_dispBalloon; }
    QString mapVersion() const { return m_mapVersion; }
    void setZoom(int zoom);
    void setMapTypeId(const QString& id);
    void setDispBalloon(bool show);
    void setMapVersion(const QString& version);

    Q_INVOKABLE void markerClickWithId_(const QString& key);

Q_SIGNALS:
    void zoomChanged();
    void mapTypeIdChanged();
    void dispBalloonChanged();
    void mapVersionChanged();
    void markerClicked(const QString& key);

private:
    std::optional<int> m_zoom;
    QString m_mapTypeId;
    bool m_dispBalloon = false;
    QString m_mapVersion;
};

// The main window's answer to a marker click.
class WebMapViewDelegate {
public:
    virtual ~WebMapViewDelegate() = default;
    virtual void markerClicked(const MapPoint& point) = 0;
};

// The map pane: our map page (from the application's resources, in the
// language chosen) in a web view, drawn on through WebMapModel. The page is
// started on every finished load, with or without network; without network
// it shows its plain background under the route, markers and car.
// GUI thread only.
class WebMapView : public QWebEngineView {
    Q_OBJECT
public:
    // language: 0 English, 1 French, 2 Spanish.
    explicit WebMapView(int language = 0, QWidget* parent = nullptr);
    ~WebMapView() override;

    WebMapModel& model() { return m_model; }
    const WebMapModel& model() const { return m_model; }
    MapPageBridge* bridge() const { return m_bridge; }
    WebMapViewDelegate* delegate = nullptr;

    // Makes the page and the map's images available (once).
    static void registerResources();
    // The page in a language (0 English, 1 French, 2 Spanish): index.html
    // with the language in its query, "?lang=fr".
    static QUrl pageUrl(int language);
    // Loads (or reloads) the page; true when it exists.
    bool loadPage();
    bool isPageReady() const { return m_model.isPageReady(); }

    // The page's values as it last reported them.
    std::optional<int> currentZoom() const { return m_bridge->knownZoom(); }
    QString currentMapTypeId() const;
    // True only when the page reported balloons shown.
    bool getDispBalloon() const { return m_bridge->dispBalloon(); }

    // Sends a call text to the page as it is (the main window's own calls).
    void evaluate(const QString& script);

    // Keeps the page off the network (tiles are not fetched): the page
    // then looks as it does offline. Off by default.
    void setNetworkAllowed(bool allowed);

    // Every call text sent to the page, for tests.
    void setScriptObserver(std::function<void(const QString&)> observer) { m_observer = std::move(observer); }

    // The version note is written once per pane, after the page first tells
    // its library version; empty folder: none.
    void setVersionNoteFolder(const QString& folder) { m_versionNoteFolder = folder; }

Q_SIGNALS:
    // A page load has finished and the map was started (ok), or failed.
    void pageLoaded(bool ok);

private:
    void onLoadFinished(bool ok);
    void onMarkerClicked(const QString& key);
    void writeVersionNote();

    int m_language;
    QWebEngineProfile* m_profile = nullptr;
    QWebChannel* m_channel = nullptr;
    MapPageBridge* m_bridge = nullptr;
    WebMapModel m_model;
    std::function<void(const QString&)> m_observer;
    QString m_versionNoteFolder;
    bool m_versionNoteWritten = false;
    class Interceptor;
    Interceptor* m_interceptor = nullptr;
};
