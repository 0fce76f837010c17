#pragma once

#include "SaveDialog.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tolvan {

// The real Save dialog: Qt's file dialog, modal to its parent. It asks no
// confirmation before a file is replaced and adds no extension to the name.
class FileSaveDialog : public QObject, public SaveDialog {
    Q_OBJECT
public:
    explicit FileSaveDialog(QWidget *parent);
    QString showSave(const SaveRequest &request) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace tolvan
