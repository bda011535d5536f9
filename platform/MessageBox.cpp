#include "platform/MessageBox.h"

#include <QMessageBox>
#include <QPainter>
#include <QPointer>

namespace kelvane {

namespace {

// A box over a window that bypasses the window manager (a docked window): a managed box would be
// stacked below that window, unseen while it blocks every click. So it bypasses the manager too,
// and draws the title bar the manager would have drawn.
class UnmanagedBox final : public QMessageBox
{
public:
    UnmanagedBox(Icon icon, const QString& title, const QString& text, QWidget* parent)
        : QMessageBox(icon, title, text, QMessageBox::Ok, parent)
    {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                       Qt::WindowStaysOnTopHint);
        setContentsMargins(1, titleHeight(), 1, 1);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QMessageBox::paintEvent(event);
        QPainter p(this);
        const QRect band(0, 0, width(), titleHeight());
        p.fillRect(band, palette().color(QPalette::Highlight));
        p.setPen(palette().color(QPalette::HighlightedText));
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   fontMetrics().elidedText(windowTitle(), Qt::ElideRight, band.width() - 16));
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    int titleHeight() const { return fontMetrics().height() + 10; }
};

bool bypassesManager(const QWidget* parent)
{
    return parent != nullptr &&
           parent->window()->windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
}

} // namespace

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
    // Held by a guard, not an owner: if its window went while it ran, the box went with it.
    QPointer<QMessageBox> box = bypassesManager(parent)
                                    ? new UnmanagedBox(qtIcon, title, text, parent)
                                    : new QMessageBox(qtIcon, title, text, QMessageBox::Ok, parent);
    // Texts carry what servers said (status lines): never let one draw rich text or links.
    box->setTextFormat(Qt::PlainText);
    // Modal, so the box is activated when shown; centred on its window by the dialog itself.
    box->exec();
    delete box.data();
}

} // namespace kelvane
