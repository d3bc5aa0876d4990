#pragma once

#include <QDialog>
#include <QPointer>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

class QAbstractButton;

// Told when the close button of a TaskProgress or Trim window is pressed
// (the progress dialog cancels its job, the tools tell the main window).
class ModalWindowDelegate {
public:
    virtual ~ModalWindowDelegate() = default;
    virtual void modalWindowOnClose() = 0;
};

// The window that hosts every modal dialog. A dialog is a plain widget; the
// caller puts it into a new ModalWindow and runs that modally. The window's
// Type decides what its close button and the Escape key do, whether it may
// centre itself, and which operation lock its close button gives back.
//
// The window never closes itself: its close button ends the modal run (the
// window is hidden) or asks the delegate; Escape ends the run, presses the
// dialog's own Cancel, or does nothing in a dialog without one. It does not
// own the hosted widget: the widget is handed back to nobody (parent
// cleared) when the window goes, so dialog objects can be kept and reused by
// their owners.
class ModalWindow : public QDialog {
    Q_OBJECT
public:
    enum class Type : std::uint8_t {
        OpenForm,
        ViewerSetting,
        CameraSetting,
        BackupDelete,
        TaskProgress,
        BackupSetting,
        Trim,
        Capture,
        Etc,
    };

    explicit ModalWindow(QWidget* parent = nullptr);
    ~ModalWindow() override;

    Type type() const { return m_type; }
    void setType(Type type) { m_type = type; }

    // Not owned; must outlive the window's run.
    ModalWindowDelegate* mwDelegate() const { return m_delegate; }
    void setMwDelegate(ModalWindowDelegate* delegate) { m_delegate = delegate; }

    // Hosts the dialog widget: the content area gets the fixed size (an empty
    // size keeps the widget's own size), the window the localized title, a
    // title bar and a close button.
    void setContent(QWidget* content, const QString& title, QSize contentSize = QSize());
    QWidget* content() const { return m_content; }

    // Runs the window modally: lowers the floating child windows, runs until
    // something ends the run, hides the window, raises the child windows
    // again and gives the focus back to the window's parent.
    int runModal();

    // The whole hosting sequence: a new window of the type over parent,
    // hosting content with the title and content size, run modally. The
    // content is handed back (parent cleared) when the run ends.
    static int runDialog(QWidget* parent, QWidget* content, Type type, const QString& title,
                         QSize contentSize = QSize(), ModalWindowDelegate* delegate = nullptr);

    // Ends this window's modal run (the window is hidden).
    void endModalRun(int result = QDialog::Rejected);

    // Ends the innermost running ModalWindow's run; nothing when none runs.
    // What the dialogs' own OK and Cancel buttons call.
    static void abortModal();
    // The innermost running ModalWindow, or null.
    static ModalWindow* current();

    // Centres on the parent window (or the screen), except a Trim or Capture
    // window, which keeps the position its caller gave it.
    void center();

    // What the close button does for this window's Type.
    void onClose();

    // Whether Escape ends the run for a Type.
    static bool escapeEndsRun(Type type);

    // The main window's floating child windows stay lowered while any modal
    // run or alert goes on. Every run brackets itself with false before and
    // true after; runs nest (an alert inside a dialog, a dialog inside a
    // picker), so the handler is told to raise them only when the outermost
    // run ends. A lowering is passed on at every run, so that a child window
    // shown between runs is lowered too.
    static void setChildWindowLevelsHandler(std::function<void(bool raised)> handler);
    static void setChildWindowLevels(bool raised);
    // Some modal run or alert is going on (the child windows are lowered).
    static bool childWindowsLowered();

    // What Escape presses in a dialog whose Type does not end the run on
    // Escape: the hosted dialog's Cancel, the button of this object name.
    static inline const QString CANCEL_BUTTON_NAME = QStringLiteral("btnCancel");

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The hosted dialog's Cancel while it can be pressed, else null.
    QAbstractButton* cancelButton() const;
    void replaceContentWithEmptyView();
    void detachContent();

    Type m_type = Type::Etc;
    ModalWindowDelegate* m_delegate = nullptr;
    QPointer<QWidget> m_content;
    bool m_ownsContent = false;
};
