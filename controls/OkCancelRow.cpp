#include "controls/OkCancelRow.h"

#include <QHBoxLayout>
#include <QPushButton>

QHBoxLayout* OkCancelRow(QPushButton* ok, QPushButton* cancel)
{
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}
