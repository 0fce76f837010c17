#include "Fonts.h"

#include <QFont>
#include <QWidget>

namespace tolvan {

void keepArialWidths(std::initializer_list<QWidget *> labels)
{
    for (QWidget *label : labels) {
        QFont font = label->font();
        font.setStretch(QFont::Unstretched);
        label->setFont(font);
    }
}

} // namespace tolvan
