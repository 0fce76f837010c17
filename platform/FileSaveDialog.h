#pragma once

#include "SaveDialog.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tolvan {

// The real Save dialog, modal to its parent: the system's own where it has one
// (Windows' common dialog), else Qt's. It asks no confirmation before a file
// is replaced and adds no extension to the name.
class FileSaveDialog : public QObject, public SaveDialog {
    Q_OBJECT
public:
    explicit FileSaveDialog(QWidget *parent);
    QString showSave(const SaveRequest &request) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace tolvan
