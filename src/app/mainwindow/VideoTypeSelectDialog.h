#pragma once

#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "core/mainwindow/OpenData.h"

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>

class QPushButton;

// The main window, as the source chooser uses it.
class VideoTypeSelectDialogDelegate {
public:
    virtual ~VideoTypeSelectDialogDelegate() = default;
    // Opens the chosen source; kind is the kind of source it is.
    virtual void loadData(const QString& path, bool autoPlay, MovieType kind) = 0;
    // May the data in the main window be replaced (the stopwatch question)?
    virtual bool confirmStopwatchDiscard() = 0;
};

// The "Open From" chooser: a card drive (through the card-drive picker), a
// backup folder (through the backup-folder chooser) or a single movie file.
// Hosted by the main window in a ModalWindow of type OpenForm; it ends that
// run itself once a source has been handed to the delegate, and stays open
// after a refusal, a missing drive or folder, or a cancelled picker.
class VideoTypeSelectDialog : public QWidget,
                              public CardDriveSelectDialogDelegate,
                              public BackUpFolderSelectDialogDelegate {
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

    VideoTypeSelectDialogDelegate* delegate = nullptr; // not owned
    QString dirPathPC;                         // the single file chosen last
    MovieType selectMovieType = MovieType::PC; // the kind of the last flow, even a cancelled one

    // The dialogs of the last card-drive and backup-folder flows (for tests).
    CardDriveSelectDialog* cardDriveSelectDialog() const { return m_cardDriveSelectDialog; }
    BackUpFolderSelectDialog* backUpFolderSelectDialog() const { return m_backUpFolderSelectDialog; }

    // CardDriveSelectDialogDelegate
    void cardDriveSelectDidFinish(const QString& path) override;
    bool cardDriveSelectCanFinish() override;
    // BackUpFolderSelectDialogDelegate
    void backupFolderSelectDidFinish(const QString& path) override;
    bool backupFolderSelectCanFinish() override;

public Q_SLOTS:
    void selectCardDrive();
    void selectBackupFolder();
    void selectFile();

private:
    void finishSelection(const QString& path);
    void endOwnRun();

    QPushButton* m_btnCard = nullptr;
    QPushButton* m_btnBackup = nullptr;
    QPushButton* m_btnFile = nullptr;
    QPointer<CardDriveSelectDialog> m_cardDriveSelectDialog;
    QPointer<BackUpFolderSelectDialog> m_backUpFolderSelectDialog;
    MovieType m_flowKind = MovieType::PC;
    bool m_sourceChosen = false;
};
