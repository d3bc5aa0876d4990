#include "app/mainwindow/VideoTypeSelectDialog.h"

#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
VideoTypeSelectDialog::FileChooser& fileChooserOverride()
{
    static VideoTypeSelectDialog::FileChooser chooser;
    return chooser;
}
} // namespace

VideoTypeSelectDialog::VideoTypeSelectDialog(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoTypeSelectDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 14);
    layout->setSpacing(8);
    auto* prompt = new QLabel(tr("Select the data to open."), this);
    layout->addWidget(prompt);
    m_btnCard = new QPushButton(tr("Card Drive"), this);
    m_btnBackup = new QPushButton(tr("Backup Folder"), this);
    m_btnFile = new QPushButton(tr("File"), this);
    for (QPushButton* b : {m_btnCard, m_btnBackup, m_btnFile}) {
        b->setAutoDefault(false);
        layout->addWidget(b);
    }
    connect(m_btnCard, &QPushButton::clicked, this, &VideoTypeSelectDialog::selectCardDrive);
    connect(m_btnBackup, &QPushButton::clicked, this, &VideoTypeSelectDialog::selectBackupFolder);
    connect(m_btnFile, &QPushButton::clicked, this, &VideoTypeSelectDialog::selectFile);
}

VideoTypeSelectDialog::~VideoTypeSelectDialog()
{
    delete m_cardDriveSelectDialog;
    delete m_backUpFolderSelectDialog;
}

QString VideoTypeSelectDialog::windowTitleText()
{
    return tr("Open From");
}

void VideoTypeSelectDialog::setFileChooser(FileChooser chooser)
{
    fileChooserOverride() = std::move(chooser);
}

QString VideoTypeSelectDialog::fileStartFolder()
{
    // A local folder, not a URL made from a file path (which breaks on
    // blanks and other characters that a URL must escape).
    const QFileInfo last(UserDefaultUtil::pathSelectFile);
    if (!UserDefaultUtil::pathSelectFile.isEmpty() && last.exists()) return last.absolutePath();
    return UserDefaultUtil::documentsPath();
}

void VideoTypeSelectDialog::endOwnRun()
{
    if (auto* host = qobject_cast<ModalWindow*>(window())) {
        if (host->isVisible()) host->endModalRun(QDialog::Accepted);
    }
}

void VideoTypeSelectDialog::selectCardDrive()
{
    if (CardDriveSelectDialog::removableVolumeCount() == 0) {
        Alerts::warning(window(), tr("Unable to locate the selected drive."));
        return;
    }
    delete m_cardDriveSelectDialog;
    m_cardDriveSelectDialog = new CardDriveSelectDialog();
    m_cardDriveSelectDialog->delegate = this;
    m_cardDriveSelectDialog->selectCardDriveType = CardDriveType::FileOpen;
    m_cardDriveSelectDialog->userDefaultsKey = UserDefaultUtil::KEY_CARD_DRIVE_SELECT;
    m_cardDriveSelectDialog->showDialog();
    const int picked =
        ModalWindow::runDialog(window(), m_cardDriveSelectDialog, ModalWindow::Type::Etc,
                               CardDriveSelectDialog::windowTitleText(), CardDriveSelectDialog::CONTENT_SIZE);
    selectMovieType = MovieType::Card;
    if (picked == QDialog::Accepted) endOwnRun();
}

void VideoTypeSelectDialog::selectBackupFolder()
{
    // The new chooser reads the settings and lists the backup folder's
    // sub-folders (an unreadable folder shows its own alert first).
    UserDefaultUtil::load();
    auto* folders = new BackUpFolderSelectDialog();
    if (folders->backupFolders.isEmpty()) {
        delete folders;
        Alerts::warning(window(), tr("There is no backup folder."));
        return;
    }
    delete m_backUpFolderSelectDialog;
    m_backUpFolderSelectDialog = folders;
    m_backUpFolderSelectDialog->delegate = delegate;
    const int picked =
        ModalWindow::runDialog(window(), m_backUpFolderSelectDialog, ModalWindow::Type::Etc,
                               BackUpFolderSelectDialog::windowTitleText(), BackUpFolderSelectDialog::CONTENT_SIZE);
    selectMovieType = MovieType::Backup;
    if (picked == QDialog::Accepted) endOwnRun();
}

void VideoTypeSelectDialog::selectFile()
{
    if (delegate && !delegate->confirmStopwatchDiscard()) return;
    const QString start = fileStartFolder();
    QString path;
    if (fileChooserOverride()) {
        path = fileChooserOverride()(window(), start);
    } else {
        ModalWindow::setChildWindowLevels(false);
        path = QFileDialog::getOpenFileName(window(), tr("Select File"), start, tr("Movies (*.mp4 *.MP4)"));
        ModalWindow::setChildWindowLevels(true);
    }
    if (path.isEmpty()) return;
    endOwnRun();
    UserDefaultUtil::pathSelectFile = path;
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_SELECT_FILE, path);
    dirPathPC = path;
    if (delegate) delegate->loadData(path, true, MovieType::PC);
    selectMovieType = MovieType::PC;
}

void VideoTypeSelectDialog::cardDriveSelectDidFinish(const QString& path)
{
    if (delegate) delegate->loadData(path, true, MovieType::Card);
    // Ends the picker's run as chosen; the flow that ran it then ends this
    // chooser's own run.
    if (ModalWindow* picker = ModalWindow::current()) picker->endModalRun(QDialog::Accepted);
}

bool VideoTypeSelectDialog::cardDriveSelectCanFinish()
{
    return delegate != nullptr && delegate->confirmStopwatchDiscard();
}
