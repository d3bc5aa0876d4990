#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

class EXTextButton;
class WebMapView;

// The map's display mode.
enum class MapType { Hidden = 0, Show = 1, Window = 2 };

// The container of the map pane; it moves between the main window and the
// detached window.
class MapView : public QWidget {
    Q_OBJECT
public:
    static constexpr int WIDTH = 360;
    static constexpr int HEIGHT = 220;
    explicit MapView(int language, QWidget* parent = nullptr);
    WebMapView* mapWebView() const { return m_web; }

private:
    WebMapView* m_web = nullptr;
};

// The map's place in the main window.
class EmptyMapView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyMapView(QWidget* parent = nullptr);
    // Hosts the container, filling the place.
    void attach(QWidget* view);
};

class MapTitleViewDelegate {
public:
    virtual ~MapTitleViewDelegate() = default;
    virtual void mapTypeChanged(MapType type) = 0;
};

// The bar above the map: its title and the show, hide and own-window
// buttons. Show offers hide and own window; Hidden offers show.
class MapTitleView : public QWidget {
    Q_OBJECT
public:
    static constexpr int HEIGHT = 30;
    explicit MapTitleView(QWidget* parent = nullptr);

    MapType mapType = MapType::Show;
    MapTitleViewDelegate* delegate = nullptr;

    // Sets the buttons for the mode, stores it and tells the delegate.
    void setMapType(MapType type);

    QLabel* lblMapTitle = nullptr;
    EXTextButton* mapShowButton = nullptr;
    EXTextButton* mapHideButton = nullptr;
    EXTextButton* mapWindowButton = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onMapWindowButton();
};

class NewWindowViewDelegate {
public:
    virtual ~NewWindowViewDelegate() = default;
    virtual void newWindowWillShow(bool flag) = 0;
    virtual void newWindowWillClose() = 0;
};

// The floating window that shows the map while it is detached. Its size,
// title bar included, is remembered for the run
// (UserDefaultUtil::mapWindowSize, 480 x 294 at first: a map of 480 x 272
// under the title bar).
class NewWindowView : public QWidget {
    Q_OBJECT
public:
    // The title bar's height within the remembered size (the window
    // system draws the bar itself, outside this widget).
    static constexpr int TITLE_BAR_HEIGHT = 22;

    explicit NewWindowView(QWidget* parent = nullptr);
    ~NewWindowView() override;

    NewWindowViewDelegate* delegate = nullptr;
    // The window floats above the main window; lowered around modal runs.
    bool topMostFlg = true;

    // Hosts a view (the map container), filling the window.
    void setContentView(QWidget* view);
    QWidget* parentView() const { return m_parentView; }
    // Tells the delegate, sizes the window from the remembered size and
    // centres it on the screen of its parent, floating.
    void showWindow();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_backgroundView = nullptr;
    QPointer<QWidget> m_parentView;
};
