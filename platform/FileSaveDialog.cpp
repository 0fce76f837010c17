#include "FileSaveDialog.h"

#include <QFileDialog>

namespace tolvan {

FileSaveDialog::FileSaveDialog(QWidget *parent) : QObject(parent), m_parent(parent) {}

QString FileSaveDialog::showSave(const SaveRequest &request)
{
    QFileDialog dialog(m_parent, QFileDialog::tr("Speichern unter"), request.initialFolder,
                       request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        if (request.cancelIsError)
            throw SaveCancelled();
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace tolvan
