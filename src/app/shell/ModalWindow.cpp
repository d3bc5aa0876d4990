#include "app/shell/ModalWindow.h"

#include "core/mainwindow/InstanceGuard.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <vector>

namespace {

std::vector<QPointer<ModalWindow>>& runningWindows()
{
    static std::vector<QPointer<ModalWindow>> stack;
    return stack;
}

std::function<void(bool)>& childLevelsHandler()
{
    static std::function<void(bool)> handler;
    return handler;
}

// How many modal runs and alerts are going on, nested.
int loweredDepth = 0;

} // namespace

ModalWindow::ModalWindow(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

ModalWindow::~ModalWindow()
{
    detachContent();
}

void ModalWindow::detachContent()
{
    if (m_content && !m_ownsContent && m_content->parentWidget() == this) {
        m_content->hide();
        layout()->removeWidget(m_content);
        m_content->setParent(nullptr);
    }
}

void ModalWindow::setContent(QWidget* content, const QString& title, QSize contentSize)
{
    detachContent();
    if (m_content && m_ownsContent) delete m_content;
    m_content = content;
    m_ownsContent = false;
    if (content != nullptr) {
        layout()->addWidget(content);
        content->show();
        if (!contentSize.isValid()) contentSize = content->size();
        content->setFixedSize(contentSize);
        setFixedSize(contentSize);
    }
    setWindowTitle(title);
}

int ModalWindow::runModal()
{
    setChildWindowLevels(false);
    runningWindows().emplace_back(this);
    const int result = exec();
    auto& stack = runningWindows();
    for (auto it = stack.begin(); it != stack.end();)
        it = (it->isNull() || *it == this) ? stack.erase(it) : it + 1;
    hide();
    setChildWindowLevels(true);
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) owner->activateWindow();
    return result;
}

int ModalWindow::runDialog(QWidget* parent, QWidget* content, Type type, const QString& title,
                           QSize contentSize, ModalWindowDelegate* delegate)
{
    ModalWindow window(parent);
    window.setType(type);
    window.setMwDelegate(delegate);
    window.setContent(content, title, contentSize);
    return window.runModal();
}

void ModalWindow::endModalRun(int result)
{
    done(result);
}

void ModalWindow::abortModal()
{
    if (ModalWindow* w = current()) w->endModalRun();
}

ModalWindow* ModalWindow::current()
{
    auto& stack = runningWindows();
    while (!stack.empty() && stack.back().isNull())
        stack.pop_back();
    return stack.empty() ? nullptr : stack.back().data();
}

void ModalWindow::center()
{
    if (m_type == Type::Trim || m_type == Type::Capture) return;
    QRect area;
    if (QWidget* p = parentWidget(); p != nullptr && p->window()->isVisible())
        area = p->window()->frameGeometry();
    else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) move(area.center() - rect().center());
}

bool ModalWindow::escapeEndsRun(Type type)
{
    return type == Type::OpenForm || type == Type::Trim || type == Type::Capture;
}

void ModalWindow::onClose()
{
    switch (m_type) {
    case Type::ViewerSetting:
        InstanceGuard::release(InstanceGuard::VIEWER_SETTING);
        endModalRun();
        break;
    case Type::CameraSetting:
        InstanceGuard::release(InstanceGuard::CAMERA_SETTING);
        replaceContentWithEmptyView();
        endModalRun();
        break;
    case Type::BackupDelete:
        // The backup commands hold their guards for the whole run and give
        // them back themselves when it ends.
        endModalRun();
        break;
    case Type::BackupSetting:
        replaceContentWithEmptyView();
        endModalRun();
        break;
    case Type::TaskProgress:
    case Type::Trim:
        // A running job decides itself when its window may go.
        if (m_delegate != nullptr)
            m_delegate->modalWindowOnClose();
        else
            endModalRun();
        break;
    case Type::OpenForm:
    case Type::Capture:
    case Type::Etc:
        endModalRun();
        break;
    }
}

QAbstractButton* ModalWindow::cancelButton() const
{
    if (!m_content) return nullptr;
    for (QAbstractButton* b : m_content->findChildren<QAbstractButton*>(CANCEL_BUTTON_NAME))
        if (b->isVisibleTo(this) && b->isEnabled()) return b;
    return nullptr;
}

void ModalWindow::replaceContentWithEmptyView()
{
    const QSize size = m_content ? m_content->size() : QSize();
    detachContent();
    if (m_content && m_ownsContent) delete m_content;
    auto* empty = new QWidget(this);
    layout()->addWidget(empty);
    if (size.isValid()) empty->setFixedSize(size);
    m_content = empty;
    m_ownsContent = true;
}

void ModalWindow::closeEvent(QCloseEvent* event)
{
    // The window never closes itself; the rule of its Type decides.
    event->ignore();
    onClose();
}

void ModalWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // QDialog would reject on Escape; only some kinds of dialog end then.
        // The others answer Escape as their own Cancel, which knows what a
        // cancel of that dialog must do (give back a lock, stop a job).
        if (escapeEndsRun(m_type)) {
            endModalRun();
        } else if (QAbstractButton* cancel = cancelButton()) {
            cancel->click();
        } else {
            event->ignore();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void ModalWindow::setChildWindowLevelsHandler(std::function<void(bool)> handler)
{
    childLevelsHandler() = std::move(handler);
}

void ModalWindow::setChildWindowLevels(bool raised)
{
    if (!raised) {
        ++loweredDepth;
    } else {
        if (loweredDepth > 0) --loweredDepth;
        if (loweredDepth > 0) return;
    }
    if (const auto& h = childLevelsHandler()) h(raised);
}

bool ModalWindow::childWindowsLowered()
{
    return loweredDepth > 0;
}
