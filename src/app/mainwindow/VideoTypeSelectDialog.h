#pragma once

#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "app/shell/OpenRoad.h"
#include "core/mainwindow/OpenData.h"

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>

class QPushButton;

// The "Open From" chooser: a card drive (through the card-drive picker), a
// backup folder (through the backup-folder chooser, which it owns and which
// opens the folder on the same road) or a single movie file. Hosted by the
// main window in a ModalWindow of type OpenForm; it ends that run itself once
// a source has been handed to the road (a picker's run ended accepted), and
// stays open after a refusal, a missing drive or folder, or a cancelled picker.
class VideoTypeSelectDialog : public QWidget, public CardDriveSelectDialogDelegate {
    Q_OBJECT
public:
    explicit VideoTypeSelectDialog(QWidget* parent = nullptr);
    ~VideoTypeSelectDialog() override;

    static QString windowTitleText();
    static constexpr QSize CONTENT_SIZE{285, 155};

    // Asks for a movie file, starting in startFolder; empty when none was chosen.
    using FileChooser = std::function<QString(QWidget* parent, const QString& startFolder)>;
    // Tests choose files here instead of in a file dialog; empty restores the dialog.
    static void setFileChooser(FileChooser chooser);
    // The folder the file dialog starts in: the folder of the file chosen
    // last when it still exists, else Documents.
    static QString fileStartFolder();

    QPushButton* btnCardDrive() const { return m_btnCard; }
    QPushButton* btnBackupFolder() const { return m_btnBackup; }
    QPushButton* btnFile() const { return m_btnFile; }

    OpenRoad* delegate = nullptr; // not owned
    QString dirPathPC;                         // the single file chosen last
    MovieType selectMovieType = MovieType::PC; // the kind of the last flow, even a cancelled one

    // The dialogs of the last card-drive and backup-folder flows (for tests).
    CardDriveSelectDialog* cardDriveSelectDialog() const { return m_cardDriveSelectDialog; }
    BackUpFolderSelectDialog* backUpFolderSelectDialog() const { return m_backUpFolderSelectDialog; }

    // CardDriveSelectDialogDelegate
    void cardDriveSelectDidFinish(const QString& path) override;
    bool cardDriveSelectCanFinish() override;

public Q_SLOTS:
    void selectCardDrive();
    void selectBackupFolder();
    void selectFile();

private:
    void endOwnRun();

    QPushButton* m_btnCard = nullptr;
    QPushButton* m_btnBackup = nullptr;
    QPushButton* m_btnFile = nullptr;
    QPointer<CardDriveSelectDialog> m_cardDriveSelectDialog;
    QPointer<BackUpFolderSelectDialog> m_backUpFolderSelectDialog;
};
