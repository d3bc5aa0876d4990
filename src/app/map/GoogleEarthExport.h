#pragma once

#include "core/catalog/CardData.h"
#include "core/map/KmlUtil.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class HostWindow;
class PlayerPane;
class QWidget;
template <typename T> class QFutureWatcher;

// The player's Google Earth button: the route of the recording that plays
// is written as a KMZ file the user names (off the GUI thread), then
// Google Earth may open it. A failed write is told, not followed by the
// launch question.
class GoogleEarthExport : public QObject {
    Q_OBJECT
public:
    GoogleEarthExport(HostWindow* window, PlayerPane* player, QObject* parent = nullptr);
    ~GoogleEarthExport() override;

    // Asks where to write (empty: cancelled); default askKmzDestination.
    std::function<QString(const QString& startFolder)> askDestination;
    // Starts the program with the file; default a detached process.
    std::function<bool(const QString& program, const QString& file)> launch;
    // Finds Google Earth; default MapSupportFiles::findGoogleEarth.
    std::function<std::optional<QString>()> findProgram;

    void exportGoogleEarth();
    bool isRunning() const { return m_job != nullptr; }

    // The save panel (SavePanel::ask) for a ".kmz" file. Empty when the
    // panel is cancelled.
    static QString askKmzDestination(QWidget* parent, const QString& startFolder);

    // The name's refused character told in an alert; true when the name is usable.
    bool isValidExportFileName(const QString& name);

Q_SIGNALS:
    // An export has ended, written or not (after its alerts).
    void finished(bool written);

private:
    void onWritten(const QString& destination, const KmlUtil::ExportResult& result);

    QPointer<HostWindow> m_window;
    QPointer<PlayerPane> m_player;
    QFutureWatcher<KmlUtil::ExportResult>* m_job = nullptr;
};
