#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
namespace Ui {
class AppAboutDialog;
}

// The About box: the application's name, icon and version. Hosted in a
// ModalWindow of type Etc; OK and Escape end its run.
class AppAboutDialog : public QWidget {
    Q_OBJECT
public:
    explicit AppAboutDialog(QWidget* parent = nullptr);
    ~AppAboutDialog() override;

    static QString windowTitleText();
    static constexpr QSize CONTENT_SIZE{487, 407};

    // The application's version as stored ("1.3.0").
    static QString versionText();
    void setVersionText();

    QLabel* lblAppVersion() const;
    QPushButton* okBtn() const;

public Q_SLOTS:
    void btnOkOnclick();
    void keyEscClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::AppAboutDialog> m_ui;
};
