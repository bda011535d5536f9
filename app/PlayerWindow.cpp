#include "app/PlayerWindow.h"

#include "app/Ui.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "chrome/QuandleXPTaskBar.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"
#include "platform/PropertyBag.h"

#include <QKeyEvent>
#include <QPainter>

namespace kelvane {

PlayerWindow::PlayerWindow(const QString& name, FormRegistry& forms, const AppServices& services,
                           QSize clientSize)
    : Form(name, forms), m_services(services), m_picture(pictureA())
{
    setWindowTitle(QStringLiteral("Kelvane"));
    setWindowIcon(applicationIcon());
    // Borderless, on top and out of the taskbar: the docking bar sets the frame flags.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFont(defaultFont());
    setFixedSize(clientSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayerWindow::guarded(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        if (m_services.messageBox != nullptr)
            m_services.messageBox->show(this, kGenericErrorText, kGenericErrorTitle,
                                        MessageBox::Icon::Information);
    }
}

void PlayerWindow::silent(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        // What was done stays done; nothing is shown.
    }
}

std::array<ClickLabel*, 2> PlayerWindow::makeCloseMarks(int left0, int left1,
                                                        const std::function<void(int)>& onClick)
{
    std::array<ClickLabel*, 2> marks{};
    const int lefts[2] = {left0, left1};
    for (int i = 0; i < 2; ++i) {
        auto* label = new ClickLabel(QStringLiteral("X"), this);
        label->setObjectName(QStringLiteral("Label2_%1").arg(i));
        label->setFont(designFont(QStringLiteral("Arial"), 9, true));
        label->setTransparent(true);
        label->setCursor(Qt::PointingHandCursor);
        placeTwips(label, lefts[i], 0, 135, 255);
        connect(label, &ClickLabel::Click, this, [onClick, i] { onClick(i); });
        marks[i] = label;
    }
    return marks;
}

QListWidget* PlayerWindow::makeList(const QString& name, const QRect& twips,
                                    const QColor& textColour, const std::function<void()>& onPlay)
{
    auto* list = new QListWidget(this);
    list->setObjectName(name);
    placeTwips(list, twips.x(), twips.y(), twips.width(), twips.height());
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, textColour);
    list->setPalette(palette);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    connect(list, &QListWidget::itemDoubleClicked, this, [onPlay] { onPlay(); });
    m_enterPlays.insert(list, onPlay);
    list->installEventFilter(this);
    return list;
}

QuandleXPTaskBar* PlayerWindow::makeDockingBar(int left, int top)
{
    auto* bar = new QuandleXPTaskBar(this);
    bar->setObjectName(QStringLiteral("QuandleXPTaskBar1"));
    placeTwips(bar, left, top, 480, 480);
    PropertyBag bag;
    bag.writeInt(QStringLiteral("alignment"), 3);
    bar->UserControl_ReadProperties(bag);
    return bar;
}

FileDownloader* PlayerWindow::makeDownloader(int left, int top)
{
    auto* downloader = new FileDownloader(this);
    downloader->setObjectName(QStringLiteral("FileDownloader"));
    placeTwips(downloader, left, top, FileDownloader::kWidthTwips, FileDownloader::kHeightTwips);
    return downloader;
}

bool PlayerWindow::downloadList(FileDownloader& downloader, const QString& url,
                                const std::function<void(const QString&)>& onError)
{
    const QString name = FileNameFromURL(url);
    if (!IsPlainFileName(name)) {
        onError(kNoFileNameError);
        return true;
    }
    QPointer<PlayerWindow> alive(this);
    downloader.DownloadFile(url, ProgramFilePath(m_services.programFolder, name));
    return !alive.isNull();
}

int PlayerWindow::selectedPosition(const QListWidget* list)
{
    const QListWidgetItem* item = list->currentItem();
    return item != nullptr && item->isSelected() ? list->row(item) : -1;
}

void PlayerWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.drawPixmap(0, 0, m_picture);
}

void PlayerWindow::mousePressEvent(QMouseEvent* event)
{
    // A borderless window gets no focus from a window manager it bypasses: take it on a click.
    activateWindow();
    Form::mousePressEvent(event);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a list plays the chosen station, like a double click.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto it = m_enterPlays.constFind(watched);
        if (it != m_enterPlays.cend() &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            (*it)();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

} // namespace kelvane
