#include "app/shell/SavePanel.h"

#include "app/shell/Alerts.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/tools/OutputRule.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace SavePanel {

namespace {

Answer& answerOverride()
{
    static Answer answer;
    return answer;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("SavePanel", text);
}

} // namespace

void setAnswer(Answer answer)
{
    answerOverride() = std::move(answer);
}

QString startFolder(const QString& remembered)
{
    return !remembered.isEmpty() && QFileInfo::exists(remembered) ? remembered : UserDefaultUtil::documentsPath();
}

QString ask(QWidget* parent, const Request& request)
{
    QString folder = startFolder(request.folder);
    if (const Answer& answer = answerOverride()) return OutputRule::withSuffix(answer(folder, request.suffix), request.suffix);
    QString name;
    for (;;) {
        QFileDialog dialog(parent, request.title, folder,
                           QStringLiteral("%1 (*.%2)").arg(request.typeText, request.suffix));
        dialog.setObjectName(request.objectName);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(request.suffix);
        // The dialog would ask about the name as typed, which is not always
        // the file written ("clip.mov" writes "clip.mov.mp4"): the question
        // is asked here, about the file to be written.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!name.isEmpty()) dialog.selectFile(name);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        const QString chosen = OutputRule::withSuffix(dialog.selectedFiles().constFirst(), request.suffix);
        const QFileInfo info(chosen);
        folder = info.absolutePath();
        name = info.fileName();
        if (info.isDir()) {
            // A folder is never replaced by a file: the name is asked for
            // again, with none filled in (the folder's own would open it).
            Alerts::show(parent, {Alerts::titleWarning(),
                                  tr("\"%1\" is a folder. Please choose another name.").arg(info.fileName()),
                                  Alerts::Style::Warning, {Alerts::buttonOk()}});
            name.clear();
            continue;
        }
        if (!info.exists() && !info.isSymLink()) return chosen;
        const int answer = Alerts::show(
            parent, {Alerts::titleConfirmation(),
                     tr("\"%1\" already exists. Do you want to replace it?").arg(info.fileName()),
                     Alerts::Style::Warning, {Alerts::buttonCancel(), tr("Replace")}});
        if (answer == Alerts::FIRST_BUTTON + 1) return chosen;
    }
}

} // namespace SavePanel
