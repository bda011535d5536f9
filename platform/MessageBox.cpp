#include "platform/MessageBox.h"

#include <QMessageBox>

namespace kelvane {

void QtMessageBox::show(QWidget* parent, const QString& text, const QString& title, Icon icon)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case Icon::Error:
        qtIcon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, parent);
    // Texts carry what servers said (status lines): never let one draw rich text or links.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace kelvane
