#include "FileSaveDialog.h"

#include <QFileDialog>

namespace tolvan {

FileSaveDialog::FileSaveDialog(QWidget *parent) : QObject(parent), m_parent(parent) {}

QString FileSaveDialog::showSave(const SaveRequest &request)
{
    QString chosen;
    if (!showSystemSaveDialog(m_parent, request, chosen))
        chosen = showQtSaveDialog(request);
    if (chosen.isEmpty() && request.cancelIsError)
        throw SaveCancelled();
    return chosen;
}

QString FileSaveDialog::showQtSaveDialog(const SaveRequest &request)
{
    QFileDialog dialog(m_parent, QFileDialog::tr("Speichern unter"), request.initialFolder,
                       request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // (Qt's native dialog on Windows would add the filter's extension)
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace tolvan
