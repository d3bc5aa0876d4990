#include "app/mainwindow/AppAboutDialog.h"

#include "app/shell/ModalWindow.h"
#include "ui_AppAboutDialog.h"

#include <QIcon>
#include <QKeyEvent>

static void initAppResources()
{
    // The resources live in a static library; nothing else pulls them in.
    Q_INIT_RESOURCE(mainwindow);
}

AppAboutDialog::AppAboutDialog(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::AppAboutDialog>())
{
    initAppResources();
    m_ui->setupUi(this);
    m_ui->imgAppIcon->setPixmap(QIcon(QStringLiteral(":/icons/app-icon.svg")).pixmap(QSize(128, 128)));
    QFont nameFont = m_ui->lblAppName->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    nameFont.setBold(true);
    m_ui->lblAppName->setFont(nameFont);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &AppAboutDialog::btnOkOnclick);
    setVersionText();
}

AppAboutDialog::~AppAboutDialog() = default;

QString AppAboutDialog::windowTitleText()
{
    return tr("Version information");
}

QString AppAboutDialog::versionText()
{
    return QStringLiteral(KR_APP_VERSION);
}

void AppAboutDialog::setVersionText()
{
    m_ui->lblAppVersion->setText(versionText());
}

QLabel* AppAboutDialog::lblAppVersion() const
{
    return m_ui->lblAppVersion;
}
QPushButton* AppAboutDialog::okBtn() const
{
    return m_ui->okBtn;
}

void AppAboutDialog::btnOkOnclick()
{
    ModalWindow::abortModal();
}

void AppAboutDialog::keyEscClick()
{
    ModalWindow::abortModal();
}

void AppAboutDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        keyEscClick();
        return;
    }
    QWidget::keyPressEvent(event);
}
