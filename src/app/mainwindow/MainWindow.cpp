#include "MainWindow.h"

#include "foundation/CommonConst.h"

#include <QPalette>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(CommonConst::FMT_FORM_TITLE_DEFAULT);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgba(CommonConst::FROM_BACKGROUND_COLOR));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(1280, 800);
}
