#include "app/tools/ToolSupport.h"

#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ToolSupport {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("ToolView", text);
}
} // namespace

DataChecks DataChecks::make(QWidget* parent)
{
    DataChecks c;
    c.lblInsert = new QLabel(tr("Insert data."), parent);
    c.chkDate = new QCheckBox(tr("Time/Date"), parent);
    c.chkSpeed = new QCheckBox(tr("Speed"), parent);
    c.chkAccel = new QCheckBox(tr("Acceleration"), parent);
    c.chkPoint = new QCheckBox(tr("Coordinates"), parent);
    c.lblNotAdd = new QLabel(tr("* Additional information cannot be added after cut screen."), parent);
    c.lblNotAdd->hide();
    return c;
}

void DataChecks::layOut(QWidget* dialog, QWidget* below, const QList<QWidget*>& buttons) const
{
    auto* boxes = new QHBoxLayout;
    for (QCheckBox* box : {chkDate, chkSpeed, chkAccel, chkPoint}) boxes->addWidget(box);
    boxes->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblNotAdd);
    bottom->addStretch(1);
    for (QWidget* w : buttons) bottom->addWidget(w);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(16, 10, 16, 10);
    layout->setSpacing(6);
    layout->addWidget(lblInsert);
    layout->addLayout(boxes);
    if (below) layout->addWidget(below);
    layout->addStretch(1);
    layout->addLayout(bottom);
}

CaptionSelection DataChecks::selection() const
{
    const auto on = [](const QCheckBox* box) { return box->checkState() != Qt::Unchecked; };
    return {on(chkDate), on(chkSpeed), on(chkAccel), on(chkPoint)};
}

void DataChecks::setUp(bool trimmedRecording)
{
    const QList<std::pair<QCheckBox*, bool>> boxes{{chkDate, UserDefaultUtil::expDlgDateTime},
                                                   {chkSpeed, UserDefaultUtil::expDlgSpeed},
                                                   {chkAccel, UserDefaultUtil::expDlgAcceleration},
                                                   {chkPoint, UserDefaultUtil::expDlgPoint}};
    for (const auto& [box, stored] : boxes) {
        box->setChecked(!trimmedRecording && stored);
        box->setEnabled(!trimmedRecording);
    }
    lblNotAdd->setVisible(trimmedRecording);
}

void DataChecks::setEnabled(bool enabled)
{
    for (QCheckBox* box : {chkDate, chkSpeed, chkAccel, chkPoint}) box->setEnabled(enabled);
}

bool isTrimmedRecording(const ToolInfo& info)
{
    // Loaded before the tool opened.
    const std::shared_ptr<const PictureData> picture = info.chapter ? info.chapter->loadPicture(false) : nullptr;
    return picture && picture->video && picture->video->_isCutVideo;
}

void storeSelection(CaptionSelection s)
{
    UserDefaultUtil::expDlgDateTime = s.dateTime;
    UserDefaultUtil::expDlgSpeed = s.speed;
    UserDefaultUtil::expDlgAcceleration = s.acceleration;
    UserDefaultUtil::expDlgPoint = s.point;
    const auto store = SettingsStore::open();
    store->setValue(UserDefaultUtil::KEY_EXP_DLG_DATE_TIME, s.dateTime);
    store->setValue(UserDefaultUtil::KEY_EXP_DLG_SPEED, s.speed);
    store->setValue(UserDefaultUtil::KEY_EXP_DLG_ACCELERATION, s.acceleration);
    store->setValue(UserDefaultUtil::KEY_EXP_DLG_POINT, s.point);
}

void storeFolder(QString& folderStatic, const QString& key, const QString& folder)
{
    folderStatic = folder;
    SettingsStore::open()->setValue(key, folder);
}

void setSavePanel(SavePanel::Answer panel)
{
    SavePanel::setAnswer(std::move(panel));
}

QString savePath(QWidget* parent, const QString& title, const QString& folder, const QString& suffix)
{
    const QString typeText = tr("extension") + QStringLiteral(": ") + suffix;
    return SavePanel::ask(parent, {title, folder, suffix, typeText, QStringLiteral("toolSavePanel")});
}

} // namespace ToolSupport
