#include "app/map/GoogleEarthExport.h"

#include "app/shell/Alerts.h"
#include "app/shell/HostWindow.h"
#include "app/shell/ModalWindow.h"
#include "app/shell/PlayerPane.h"
#include "app/shell/SavePanel.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/map/MapSupportFiles.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/tools/OutputRule.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>

using CommonConst::PlayStatus;
using CommonConst::PlayType;

GoogleEarthExport::GoogleEarthExport(HostWindow* window, PlayerPane* player, QObject* parent)
    : QObject(parent), m_window(window), m_player(player)
{
    askDestination = [this](const QString& startFolder) { return askKmzDestination(m_window, startFolder); };
    launch = [](const QString& program, const QString& file) {
        return QProcess::startDetached(program, {file});
    };
    findProgram = [] { return MapSupportFiles::findGoogleEarth(); };
}

GoogleEarthExport::~GoogleEarthExport()
{
    // The job holds the recording's chapters only; let it end before they go.
    if (m_job) m_job->waitForFinished();
}

QString GoogleEarthExport::askKmzDestination(QWidget* parent, const QString& startFolder)
{
    return SavePanel::ask(parent, {tr("Export to Google Earth File"), startFolder, QStringLiteral("kmz"),
                                   tr("Google Earth file"), QStringLiteral("googleEarthExportPanel")});
}

bool GoogleEarthExport::isValidExportFileName(const QString& name)
{
    if (!KmlUtil::invalidFileNameCharacter(name)) return true;
    Alerts::warning(m_window, tr("The file name is not valid."));
    return false;
}

void GoogleEarthExport::exportGoogleEarth()
{
    PlayerPane* player = m_player;
    if (!player || !m_window || m_job) return;
    // Nothing is exported, nor said, until a movie is ready to play (the
    // status is NotReady until then).
    if (player->playStatus() == PlayStatus::NotReady) return;
    player->pause();

    // What plays now (not what the list shows): its play list, and for an
    // event or surveillance recording its record and window.
    const std::shared_ptr<PlayMovieValueInfo> info = player->playing();
    const std::shared_ptr<CardData> card = m_window->cardData();
    if (!info || info->_chapterDataList.isEmpty()) return;
    const bool window = info->_playType == PlayType::Event || info->_playType == PlayType::Surveillance;
    if (window && (!info->_protectInfo || !card)) return;

    QString folder = SavePanel::startFolder(UserDefaultUtil::pathDirGoogleEarth.toLocalFile());
    QString destination;
    for (;;) {
        ModalWindow::setChildWindowLevels(false);
        destination = askDestination(folder);
        ModalWindow::setChildWindowLevels(true);
        if (destination.isEmpty()) return;
        destination = OutputRule::withSuffix(destination, QStringLiteral("kmz"));
        if (isValidExportFileName(QFileInfo(destination).completeBaseName())) break;
        folder = QFileInfo(destination).absolutePath();
    }

    const QUrl folderUrl = QUrl::fromLocalFile(QFileInfo(destination).absolutePath());
    UserDefaultUtil::pathDirGoogleEarth = folderUrl;
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_DIR_GOOGLE_EARTH, folderUrl.toString());

    const KmlUtil::Context context = KmlUtil::Context::current();
    std::function<KmlUtil::ExportResult()> job;
    if (window) {
        const std::shared_ptr<MoveProtectInfo> record = info->_protectInfo;
        const ChapterWindow w = info->_playType == PlayType::Surveillance
                                    ? card->surveillanceChapterList(*record)
                                    : card->eventChapterList(*record);
        // A record without its chapter has no route to write; as wherever
        // the catalogue finds none, nothing is said.
        if (!w.chapters) {
            Q_EMIT finished(false);
            return;
        }
        const ChapterList chapters = *w.chapters;
        const auto start = std::int32_t(std::clamp<qint64>(w.minValue, 0, INT32_MAX));
        const auto end = std::int32_t(std::clamp<qint64>(w.maxValue, 0, INT32_MAX));
        job = [chapters, start, end, record, destination, context] {
            return KmlUtil::outputEventKml(chapters, start, end, *record, destination, context);
        };
    } else {
        const ChapterList chapters = info->_chapterDataList;
        job = [chapters, destination, context] {
            return KmlUtil::outputTripKml(chapters, destination, context);
        };
    }
    m_job = new QFutureWatcher<KmlUtil::ExportResult>(this);
    connect(m_job, &QFutureWatcherBase::finished, this, [this, destination] {
        const KmlUtil::ExportResult result = m_job->result();
        m_job->deleteLater();
        m_job = nullptr;
        onWritten(destination, result);
    });
    m_job->setFuture(QtConcurrent::run(std::move(job)));
}

void GoogleEarthExport::onWritten(const QString& destination, const KmlUtil::ExportResult& result)
{
    if (!result.ok) {
        Alerts::warning(m_window, tr("The route could not be exported.") + QLatin1Char('\n') + result.error);
        Q_EMIT finished(false);
        return;
    }
    const int answer =
        Alerts::confirm(m_window, tr("Launch Google Earth now?"), {Alerts::buttonNo(), Alerts::buttonYes()});
    if (answer == Alerts::FIRST_BUTTON + 1) {
        const std::optional<QString> program = findProgram();
        if (!program)
            Alerts::warning(m_window, tr("Google Earth is not installed."));
        else if (!launch(*program, destination))
            Alerts::warning(m_window, tr("Google Earth could not be started."));
    }
    Q_EMIT finished(true);
}
