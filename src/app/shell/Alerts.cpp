#include "app/shell/Alerts.h"

#include "app/shell/ModalWindow.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace Alerts {

namespace {
std::function<int(const Alert&)>& interceptor()
{
    static std::function<int(const Alert&)> f;
    return f;
}
} // namespace

QString titleWarning()
{
    return QCoreApplication::translate("Alerts", "Warning");
}
QString titleInformation()
{
    return QCoreApplication::translate("Alerts", "Information");
}
QString titleConfirmation()
{
    return QCoreApplication::translate("Alerts", "confirmation");
}
QString titleAnnouncement()
{
    return QCoreApplication::translate("Alerts", "announcement");
}
QString buttonOk()
{
    return QCoreApplication::translate("Alerts", "OK");
}
QString buttonCancel()
{
    return QCoreApplication::translate("Alerts", "Cancel");
}
QString buttonYes()
{
    return QCoreApplication::translate("Alerts", "Yes");
}
QString buttonNo()
{
    return QCoreApplication::translate("Alerts", "No");
}

namespace {
// The standard buttons carry the role of their meaning; any other button is
// an action of its own.
QMessageBox::ButtonRole roleOf(const QString& button)
{
    if (button == buttonCancel()) return QMessageBox::RejectRole;
    if (button == buttonNo()) return QMessageBox::NoRole;
    if (button == buttonOk()) return QMessageBox::AcceptRole;
    if (button == buttonYes()) return QMessageBox::YesRole;
    return QMessageBox::ActionRole;
}

QStringList buttonsOf(const Alert& alert)
{
    return alert.buttons.isEmpty() ? QStringList{buttonOk()} : alert.buttons;
}
} // namespace

std::optional<int> escapeAnswer(const Alert& alert)
{
    const QStringList buttons = buttonsOf(alert);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const QMessageBox::ButtonRole role = roleOf(buttons.at(i));
        if (role == QMessageBox::RejectRole || role == QMessageBox::NoRole) return FIRST_BUTTON + int(i);
    }
    if (buttons.size() == 1) return FIRST_BUTTON;
    return std::nullopt;
}

void setInterceptor(std::function<int(const Alert&)> f)
{
    interceptor() = std::move(f);
}

int show(QWidget* parent, const Alert& alert)
{
    Alert a = alert;
    a.buttons = buttonsOf(alert);

    ModalWindow::setChildWindowLevels(false);
    int answer = FIRST_BUTTON;
    if (const auto& f = interceptor()) {
        answer = f(a);
    } else {
        QMessageBox box(parent);
        box.setWindowTitle(a.title);
        box.setText(a.title);
        box.setInformativeText(a.message);
        switch (a.style) {
        case Style::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Style::Informational:
            box.setIcon(QMessageBox::Information);
            break;
        case Style::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        QList<QPushButton*> buttons;
        for (const QString& text : std::as_const(a.buttons)) buttons.append(box.addButton(text, roleOf(text)));
        box.setDefaultButton(buttons.first());
        const std::optional<int> onEscape = escapeAnswer(a);
        box.setEscapeButton(onEscape ? buttons.at(*onEscape - FIRST_BUTTON) : nullptr);
        // The box sizes itself to its longest word; it is made as wide as the
        // platform's standard alert instead, so that the title bar shows the
        // title whole and a one-line message reads in one or two lines.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(ALERT_WIDTH - grid->contentsMargins().left() - grid->contentsMargins().right(), 0,
                                          QSizePolicy::Fixed, QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        box.exec();
        const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
        answer = chosen >= 0 ? FIRST_BUTTON + int(chosen) : onEscape.value_or(FIRST_BUTTON);
    }
    ModalWindow::setChildWindowLevels(true);
    return answer;
}

int warning(QWidget* parent, const QString& message)
{
    return show(parent, {titleWarning(), message, Style::Critical, {}});
}

int information(QWidget* parent, const QString& message)
{
    return show(parent, {titleInformation(), message, Style::Informational, {}});
}

int confirm(QWidget* parent, const QString& message, const QStringList& buttons)
{
    return show(parent, {titleConfirmation(), message, Style::Informational,
                         buttons.isEmpty() ? QStringList{buttonOk(), buttonCancel()} : buttons});
}

} // namespace Alerts
