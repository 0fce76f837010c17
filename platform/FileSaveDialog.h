#pragma once

#include "SaveDialog.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tolvan {

// The real Save dialog, modal to its parent: the system's own where the
// windows have one (Windows' common dialog), else Qt's. It asks no
// confirmation before a file is replaced and adds no extension to the name.
class FileSaveDialog : public QObject, public SaveDialog {
    Q_OBJECT
public:
    explicit FileSaveDialog(QWidget *parent);
    QString showSave(const SaveRequest &request) override;

private:
    QString showQtSaveDialog(const SaveRequest &request);

    QPointer<QWidget> m_parent;
};

// Shows the system's Save dialog for `request` and sets `chosen` to the file,
// or to "" when the user cancelled; false when the system has none for these
// windows (another windowing system, offscreen).
bool showSystemSaveDialog(QWidget *parent, const SaveRequest &request, QString &chosen);

} // namespace tolvan
