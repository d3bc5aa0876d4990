#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// The application's alerts: a short title ("Warning", "Information",
// "confirmation", "announcement"), the message, a style and the buttons in
// the order given. The first button is the default one (Return) and answers
// FIRST_BUTTON, the second FIRST_BUTTON + 1, and so on. Escape and the
// window's close button answer the question's safe button, "Cancel" or "No",
// wherever it stands; an alert with one button answers that one. Every alert
// lowers the main window's floating child windows while it runs.
//
// Texts are shown as given: callers pass texts already translated with tr()
// (the English text is the key). The titles and the default buttons are
// translated here.
namespace Alerts {

inline constexpr int FIRST_BUTTON = 1000;
// The width of an alert window, in pixels.
inline constexpr int ALERT_WIDTH = 420;

enum class Style { Warning, Informational, Critical };

struct Alert {
    QString title;   // translated
    QString message; // translated
    Style style = Style::Warning;
    QStringList buttons; // translated; empty means one "OK"
};

// Runs the alert modally and answers the chosen button.
int show(QWidget* parent, const Alert& alert);

// What Escape and closing the window answer: the first "Cancel" or "No"
// button, else the only button; nothing when the alert has several buttons
// and none of them is safe (Escape then does nothing and the window cannot be
// closed).
std::optional<int> escapeAnswer(const Alert& alert);

// "Warning", critical, "OK": failures and refusals.
int warning(QWidget* parent, const QString& message);
// "Information", informational, "OK": notices.
int information(QWidget* parent, const QString& message);
// "confirmation", informational, "OK" and "Cancel" unless other buttons are
// given: questions. Answers FIRST_BUTTON for the first.
int confirm(QWidget* parent, const QString& message, const QStringList& buttons = {});

// The translated standard titles and buttons.
QString titleWarning();
QString titleInformation();
QString titleConfirmation();
QString titleAnnouncement();
QString buttonOk();
QString buttonCancel();
QString buttonYes();
QString buttonNo();

// Tests answer alerts here instead of on screen: while set, show() calls it
// and returns its answer. Unset with an empty function.
void setInterceptor(std::function<int(const Alert&)> interceptor);

} // namespace Alerts
