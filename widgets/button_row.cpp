#include "widgets/button_row.h"

#include <QHBoxLayout>

namespace kelpo {

QHBoxLayout* buttonRow(std::initializer_list<QWidget*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* button : buttons) row->addWidget(button);
    return row;
}

}  // namespace kelpo
