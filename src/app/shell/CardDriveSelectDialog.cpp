#include "app/shell/CardDriveSelectDialog.h"

#include "app/shell/ModalWindow.h"
#include "core/mainwindow/InstanceGuard.h"
#include "ui_CardDriveSelectDialog.h"

namespace {
std::shared_ptr<const CardDriveSource>& defaultSource()
{
    static std::shared_ptr<const CardDriveSource> source;
    return source;
}

std::shared_ptr<const CardDriveSource> effectiveDefaultSource()
{
    if (auto s = defaultSource()) return s;
    return std::make_shared<SystemCardDriveSource>();
}
} // namespace

CardDriveSelectDialog::CardDriveSelectDialog(QWidget* parent, std::shared_ptr<const CardDriveSource> source)
    : QWidget(parent), m_ui(std::make_unique<Ui::CardDriveSelectDialog>()), m_source(std::move(source))
{
    m_ui->setupUi(this);
    if (!m_source) m_source = effectiveDefaultSource();
    connect(m_ui->btnOk, &QPushButton::clicked, this, &CardDriveSelectDialog::btnOk_Click);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &CardDriveSelectDialog::btnCancel_Click);
    m_ui->btnOk->setEnabled(false);
}

CardDriveSelectDialog::~CardDriveSelectDialog() = default;

void CardDriveSelectDialog::setDefaultSource(std::shared_ptr<const CardDriveSource> source)
{
    defaultSource() = std::move(source);
}

int CardDriveSelectDialog::removableVolumeCount()
{
    return static_cast<int>(
        CardDriveList::fromVolumePaths(effectiveDefaultSource()->removableVolumePaths()).paths.size());
}

QStringList CardDriveSelectDialog::listedCardFolders()
{
    QStringList folders;
    for (const QString& volume : CardDriveList::fromVolumePaths(effectiveDefaultSource()->removableVolumePaths()).paths)
        folders.append(CardDriveList::cardFolderOf(volume));
    return folders;
}

QString CardDriveSelectDialog::windowTitleText()
{
    return tr("Selection of Card Drive");
}

QComboBox* CardDriveSelectDialog::cmbCardDriveFolder() const
{
    return m_ui->cmbCardDriveFolder;
}
QPushButton* CardDriveSelectDialog::btnOk() const
{
    return m_ui->btnOk;
}
QPushButton* CardDriveSelectDialog::btnCancel() const
{
    return m_ui->btnCancel;
}

void CardDriveSelectDialog::showDialog()
{
    cardDriveName.clear();
    m_ui->cmbCardDriveFolder->clear();
    const CardDriveList list = CardDriveList::fromVolumePaths(m_source->removableVolumePaths());
    cardDriveURLs = list.paths;
    cardDriveName = list.names;
    m_ui->cmbCardDriveFolder->addItems(cardDriveName);
    if (!userDefaultsKey.isEmpty() && !cardDriveName.isEmpty())
        m_ui->cmbCardDriveFolder->setCurrentIndex(
            list.preselectIndex(CardDriveList::rememberedName(userDefaultsKey)));
    // With nothing to choose, OK would have no volume to hand on.
    m_ui->btnOk->setEnabled(!cardDriveURLs.isEmpty());
}

void CardDriveSelectDialog::btnOk_Click()
{
    const int index = m_ui->cmbCardDriveFolder->currentIndex();
    if (index < 0 || index >= cardDriveURLs.size()) return;
    if (delegate != nullptr && !delegate->cardDriveSelectCanFinish()) return;

    dirPathCard = cardDriveURLs.at(index);
    CardDriveList::rememberName(userDefaultsKey, cardDriveName.at(index));
    if (delegate != nullptr) delegate->cardDriveSelectDidFinish(CardDriveList::cardFolderOf(dirPathCard));
    if (selectCardDriveType == CardDriveType::CameraSetting) {
        InstanceGuard::release(InstanceGuard::CAMERA_SETTING);
        ModalWindow::abortModal();
    }
}

void CardDriveSelectDialog::btnCancel_Click()
{
    if (selectCardDriveType == CardDriveType::CameraSetting)
        InstanceGuard::release(InstanceGuard::CAMERA_SETTING);
    ModalWindow::abortModal();
}
