#include "core/mainwindow/WindowTitle.h"

QString windowTitle(const WindowTitleState& state)
{
    using CommonConst::PlayStatus;
    using CommonConst::PlayType;
    if (state.currentIndex < 0 || state.currentIndex >= state.chapterMoviePaths.size())
        return CommonConst::FMT_FORM_TITLE_DEFAULT;
    if (!state.playerReady || state.playStatus == PlayStatus::NotReady)
        return CommonConst::FMT_FORM_TITLE_DEFAULT;
    const QString& form = state.playType == PlayType::Movie ? CommonConst::FMT_FORM_TITLE_MOVIE()
                                                            : CommonConst::FMT_FORM_TITLE_EVENT();
    return QStringLiteral("%1 %2 - %3")
        .arg(form, state.chapterMoviePaths.at(state.currentIndex), CommonConst::APP_TITLE);
}
