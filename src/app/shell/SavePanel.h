#pragma once

#include <QString>
#include <functional>

class QWidget;

// The one save panel of the trim, the capture and the route export. It
// offers one file type, settles the name the file will have (the type's
// suffix appended when the typed name does not end in it) and, when that
// file exists, asks whether to replace it; Cancel shows the panel again. A
// folder of that name is said to be one, and the panel shown again.
namespace SavePanel {

struct Request {
    QString title;
    QString folder;     // where the panel opens; the Documents folder when it does not exist
    QString suffix;     // the one type offered, without the dot ("mp4")
    QString typeText;   // how the type is named in the panel ("Google Earth file")
    QString objectName; // the panel's object name
};

// The path to write, ending in "." + suffix; empty when the user cancels.
QString ask(QWidget* parent, const Request& request);

// The folder the panel opens in for a remembered one.
QString startFolder(const QString& remembered);

// Tests answer in place of the panel and its question here: (start folder,
// suffix) to a path, empty for a cancelled panel. The suffix is still added.
// Unset with an empty function.
using Answer = std::function<QString(const QString& folder, const QString& suffix)>;
void setAnswer(Answer answer);

} // namespace SavePanel
