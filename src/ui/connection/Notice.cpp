#include "connection/Notice.h"

#include <QMessageBox>
#include <QPointer>

namespace notice {

void show(QWidget *parent, const QString &text)
{
    // On the heap: the parent may go away while the box waits, and would
    // then delete a box that lives on this stack.
    QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setWindowTitle(Title);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    box->exec();
    delete box;
}

} // namespace notice
