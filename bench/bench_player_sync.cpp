// How far the picture is from the panels while a movie plays at 1x in the
// movie player panel: at every tick of the playback clock, the movie time
// of the frame on the canvas minus the movie time of the position the
// track bar (and so every panel) shows. The movie carries its frame number
// in ten black or white bars, so the frame on the canvas is read off the
// picture itself. Run for the software canvas, and for the OpenGL canvas
// where the platform has OpenGL (under Xvfb: Mesa's software rasteriser,
// forced on here although the player would not choose it).
//
// Counters: lead_p10/p50/p90_ms (positive: the picture is ahead of the
// panels); a tick shows the position as of that tick, and the picture
// changes every 40 ms between ticks, so a picture in step with the clock
// gives a median within a frame of 0.
#include "app/player/CustomSliderCell.h"
#include "app/player/MoviePlayerView.h"
#include "app/player/MpvGLCanvas.h"
#include "app/player/MpvSoftwareCanvas.h"
#include "app/player/PlayerView.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <clocale>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int SECONDS = 12;
constexpr int FRAME_MS = 40; // 25 frames a second, a frame record per frame
constexpr int BITS = 10;

QString g_movie;

bool writeNumberedMovie(const QString& path)
{
    // Bar b (from the left) is white when bit b of the frame number is set.
    const QString bars = QStringLiteral("geq=lum='if(mod(floor(N/pow(2,floor(X*%1/W))),2),235,16)':cb=128:cr=128")
                             .arg(BITS);
    QProcess ffmpeg;
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.setStandardErrorFile(QProcess::nullDevice());
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("color=c=black:size=640x360:rate=25"), QStringLiteral("-t"),
                  QString::number(SECONDS), QStringLiteral("-vf"), bars, QStringLiteral("-c:v"),
                  QStringLiteral("libx264"), QStringLiteral("-g"), QStringLiteral("25"), QStringLiteral("-pix_fmt"),
                  QStringLiteral("yuv420p"), path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// The frame number the picture carries, or -1 for no picture.
int frameNumber(const QImage& picture)
{
    if (picture.isNull()) return -1;
    const int y = picture.height() / 2;
    int n = 0;
    for (int b = 0; b < BITS; ++b) {
        const int x = (2 * b + 1) * picture.width() / (2 * BITS);
        if (qGray(picture.pixel(x, y)) > 128) n |= 1 << b;
    }
    return n;
}

struct TickDelegate : MoviePlayerViewDelegate {
    std::function<void()> onTick;
    void playerPositionChanged() override
    {
        if (onTick) onTick();
    }
    void playerDidReachEnd() override {}
    void refreshDrivingInfo(bool) override {}
    void showOpenFailed() override {}
    void showPlayFailed() override {}
    void updateSaveButton() override {}
    void setFullScreenLayout(bool) override {}
    bool isFullscreen() const override { return false; }
    void toggleFullScreen() override {}
    void showOpenDialog() override {}
    void showBackupDialog() override {}
    void showCameraSettings() override {}
    void playPreviousItem() override {}
    void playNextItem() override {}
    void showStopWatch() override {}
    void hideStopWatch() override {}
    void exportGoogleEarth() override {}
    void openToolWindow(std::uint8_t) override {}
    void playerControlEvent(std::uint8_t) override {}
};

// The movie as one chapter with a frame record for each of its frames.
std::shared_ptr<ChapterData> movieChapter()
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t < SECONDS * 1000; t += FRAME_MS) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            frame->time = start.addMSecs(t);
            frame->speed = 50;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, FRAME_MS, lon, lat);
    }
    info->_timeSpan = SECONDS * 1000 - FRAME_MS;
    info->completeTables();
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(g_movie));
    chapter->storePicture(std::make_shared<PictureData>(info));
    return chapter;
}

MoviePlayerView::PlayerFactory openGLFactory()
{
    return [](MoviePlayerView& view) -> MediaPlayer* {
        auto* player = new MpvMediaPlayer(MpvMediaPlayer::Config{true}, &view);
        view.playerView->setCanvas(new MpvGLCanvas(*player, view.playerView));
        return player;
    };
}

MoviePlayerView::PlayerFactory softwareFactory()
{
    return [](MoviePlayerView& view) -> MediaPlayer* {
        auto* player = new MpvMediaPlayer(MpvMediaPlayer::Config{true}, &view);
        view.playerView->setCanvas(new MpvSoftwareCanvas(*player, view.playerView));
        return player;
    };
}

void runFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

double percentile(std::vector<double> v, double q)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

void measureLead(benchmark::State& state, MoviePlayerView::PlayerFactory factory)
{
    TickDelegate delegate;
    MoviePlayerView view(nullptr, std::move(factory));
    view.setDelegate(&delegate);
    view.resize(960, 640);
    view.show();
    const ChapterList chapters{movieChapter()};
    view.setValueInfo(std::make_shared<PlayMovieValueInfo>(chapters, CardData::ActiveType::MovieRec));
    view.openMovie();
    QElapsedTimer wait;
    wait.start();
    while (view.currentStatus() != CommonConst::PlayStatus::Stop && wait.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (view.currentStatus() != CommonConst::PlayStatus::Stop) {
        state.SkipWithError("movie did not open");
        return;
    }
    // Sampled at every tick of the panel's own clock, once the tick has
    // moved the panels and synchronised the movie.
    VideoCanvas* canvas = view.playerView->canvas();
    std::vector<double> lead, movieLead;
    delegate.onTick = [&] {
        if (view.currentStatus() != CommonConst::PlayStatus::Play) return;
        const int shown = frameNumber(canvas->currentFrame());
        const auto panels = PictureDataUtil::movieTimeStamp(chapters, std::int32_t(view.trackbar->integerValue()));
        if (shown >= 0 && panels) lead.push_back(double(shown * FRAME_MS) - double(*panels));
        if (shown >= 0) movieLead.push_back(double(shown * FRAME_MS) - double(view.mediaPlayer()->currentTimeMs()));
    };
    for (auto _ : state) {
        view.changeChapter(CommonConst::PlayStatus::Play, 0);
        runFor((SECONDS - 2) * 1000);
        view.pause();
        runFor(200);
    }
    delegate.onTick = {};
    state.counters["lead_p10_ms"] = percentile(lead, 0.1);
    state.counters["lead_p50_ms"] = percentile(lead, 0.5);
    state.counters["lead_p90_ms"] = percentile(lead, 0.9);
    state.counters["movie_p10_ms"] = percentile(movieLead, 0.1);
    state.counters["movie_p50_ms"] = percentile(movieLead, 0.5);
    state.counters["movie_p90_ms"] = percentile(movieLead, 0.9);
    state.counters["samples"] = double(lead.size());
}

void BM_PictureAgainstPanels_Software(benchmark::State& state)
{
    measureLead(state, softwareFactory());
}
BENCHMARK(BM_PictureAgainstPanels_Software)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_PictureAgainstPanels_OpenGL(benchmark::State& state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("no OpenGL under this platform (run under Xvfb)");
        return;
    }
    measureLead(state, openGLFactory());
}
BENCHMARK(BM_PictureAgainstPanels_OpenGL)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Under Xvfb both canvases run; elsewhere the software one alone.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    SettingsStore::useFile(dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    UserDefaultUtil::resetToInitialValues();
    g_movie = dir.filePath(QStringLiteral("numbered.MP4"));
    if (!writeNumberedMovie(g_movie)) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
