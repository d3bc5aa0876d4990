#pragma once

#include "core/drives/CardDrives.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>

class QComboBox;
class QPushButton;
namespace Ui {
class CardDriveSelectDialog;
}

// What the picker is for: opening a card's recordings, or its camera settings.
enum class CardDriveType : std::uint8_t { FileOpen = 0, CameraSetting = 1 };

class CardDriveSelectDialogDelegate {
public:
    virtual ~CardDriveSelectDialogDelegate() = default;
    // The chosen card's folder: the volume's path followed by "/MOVE/".
    virtual void cardDriveSelectDidFinish(const QString& path) = 0;
    // Asked first when OK is pressed; false keeps the dialog open.
    virtual bool cardDriveSelectCanFinish() = 0;
};

// Lets the user pick the recorder's memory card among the mounted removable
// volumes, preselecting the one chosen last time for the same purpose. The
// caller hosts it in a ModalWindow and runs it; OK and Cancel end the run
// (for opening a card the delegate ends it).
class CardDriveSelectDialog : public QWidget {
    Q_OBJECT
public:
    // Without a source the machine's removable volumes are listed (or the
    // source given to setDefaultSource).
    explicit CardDriveSelectDialog(QWidget* parent = nullptr,
                                   std::shared_ptr<const CardDriveSource> source = {});
    ~CardDriveSelectDialog() override;

    // The source every new picker without its own uses; null goes back to
    // the machine's volumes.
    static void setDefaultSource(std::shared_ptr<const CardDriveSource> source);

    // How many removable volumes the picker would list now (the callers'
    // check for a card before they open the picker); same source as a new
    // picker without its own.
    static int removableVolumeCount();
    // The card folders (volume path followed by "/MOVE/") of the volumes a
    // new picker would list now.
    static QStringList listedCardFolders();

    // The host window's title and content size.
    static QString windowTitleText();
    static constexpr QSize CONTENT_SIZE{335, 188};

    // Fills the list from the source and preselects the remembered volume.
    void showDialog();

    QComboBox* cmbCardDriveFolder() const;
    QPushButton* btnOk() const;
    QPushButton* btnCancel() const;

    QStringList cardDriveName;                         // names shown, same order as cardDriveURLs
    QStringList cardDriveURLs;                         // volume paths, ascending
    CardDriveSelectDialogDelegate* delegate = nullptr; // not owned
    QString dirPathCard;                               // after OK: the chosen volume's path
    QString userDefaultsKey;                           // where the chosen name is remembered
    CardDriveType selectCardDriveType = CardDriveType::FileOpen;

public Q_SLOTS:
    void btnOk_Click();
    void btnCancel_Click();

private:
    std::unique_ptr<Ui::CardDriveSelectDialog> m_ui;
    std::shared_ptr<const CardDriveSource> m_source;
};
