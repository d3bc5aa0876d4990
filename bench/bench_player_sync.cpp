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
#include "core/recording/PictureDataUtil.h"
#include "BenchMovie.h"
#include "BenchPanel.h"

#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <benchmark/benchmark.h>
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
    benchpanel::Delegate delegate;
    MoviePlayerView view(nullptr, std::move(factory));
    view.setDelegate(&delegate);
    view.resize(960, 640);
    view.show();
    const ChapterList chapters{
        benchpanel::movieChapter(g_movie, SECONDS * 1000 - FRAME_MS, FRAME_MS, SECONDS * 1000 - FRAME_MS)};
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
    return benchmovie::runBenchmarks(argc, argv, g_movie, writeNumberedMovie, true);
}
