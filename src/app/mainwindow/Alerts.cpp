#include "Alerts.h"

#include "ModalWindow.h"

#include <QCoreApplication>
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

void setInterceptor(std::function<int(const Alert&)> f)
{
    interceptor() = std::move(f);
}

int show(QWidget* parent, const Alert& alert)
{
    Alert a = alert;
    if (a.buttons.isEmpty()) a.buttons = {buttonOk()};

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
        for (qsizetype i = 0; i < a.buttons.size(); ++i) {
            const QMessageBox::ButtonRole role =
                i == 0 ? QMessageBox::AcceptRole
                       : (i == 1 ? QMessageBox::RejectRole : QMessageBox::ActionRole);
            buttons.append(box.addButton(a.buttons.at(i), role));
        }
        box.setDefaultButton(buttons.first());
        box.setEscapeButton(buttons.size() > 1 ? buttons.at(1) : buttons.first());
        box.exec();
        const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
        answer = FIRST_BUTTON + static_cast<int>(chosen < 0 ? (buttons.size() > 1 ? 1 : 0) : chosen);
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
