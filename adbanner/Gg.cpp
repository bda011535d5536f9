#include "adbanner/Gg.h"

#include "adbanner/HandCursor.h"
#include "platform/Shell.h"
#include "platform/Timer.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QUrl>

#include <algorithm>
#include <limits>

#ifndef KELVANE_AD_FEED_URL
#define KELVANE_AD_FEED_URL "http://ads.kelvane.example/g/g.xml"
#endif

namespace kelvane {

namespace {

const QColor kBackground(0, 153, 255);
const QColor kDesignText(0, 0, 192);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

constexpr int kMovingIntervalMs = 20;
constexpr int kRestingIntervalMs = 6000;
constexpr int kRestTop = 6;

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// A one-line link caption drawn with its underline kept inside the label. The CJK faces found on
// Linux are taller than SimSun, and the plain underline of a 14-pixel face would fall below the
// design heights of the labels (14 and 17 pixels), so the baseline is raised where needed.
class LinkLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QFont plain = font();
        plain.setUnderline(false);
        painter.setFont(plain);
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetrics metrics(plain);
        const int baseline = std::min(metrics.ascent(), height() - 2);
        painter.drawText(QPoint(0, baseline), text());
        if (font().underline() && !text().isEmpty())
            painter.drawLine(0, baseline + 1, metrics.horizontalAdvance(text()) - 1, baseline + 1);
    }
};

QFont linkFont()
{
    // SimSun where it exists; otherwise the CJK face the rest of the program uses, so the
    // Chinese titles render and the font file is mapped once (a second face of the same
    // collection costs its own mapping, about 3 MiB resident).
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Sans SC")});
    font.setPixelSize(14); // 10.5 points at 96 dots per inch
    font.setWeight(QFont::Normal);
    font.setUnderline(true);
    return font;
}

} // namespace

QString Gg::defaultFeedUrl()
{
    return QStringLiteral(KELVANE_AD_FEED_URL);
}

const LinkTable& Gg::fixedLinks()
{
    static const LinkTable links = {
        {QStringLiteral("淘宝特卖123"), QStringLiteral("https://tejia.taobao.com/")},
        {QStringLiteral("商城导航"), QStringLiteral("https://www.smzdm.com/mall/")},
        {QStringLiteral("天猫商城"), QStringLiteral("https://www.tmall.com/")},
        {QStringLiteral("购物客"), QStringLiteral("https://www.smzdm.com/")},
        {QStringLiteral("女装频道"),
         QStringLiteral("https://s.taobao.com/search?q=%E5%A5%B3%E8%A3%85")},
        {QStringLiteral("美容频道"),
         QStringLiteral("https://s.taobao.com/search?q=%E7%BE%8E%E5%AE%B9")},
        {QStringLiteral("男人频道"),
         QStringLiteral("https://s.taobao.com/search?q=%E7%94%B7%E8%A3%85")},
        {QStringLiteral("家电数码"),
         QStringLiteral("https://s.taobao.com/search?q=%E5%AE%B6%E7%94%B5%E6%95%B0%E7%A0%81")},
    };
    return links;
}

QString Gg::moreSoftwareUrl()
{
    return QStringLiteral("https://pc.qq.com/");
}

Gg::Gg(Shell& shell, const QString& feedUrl, QWidget* parent, const FeedLimits& limits)
    : QWidget(parent), m_shell(shell)
{
    resize(kDesignSize);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setMouseTracking(true);

    const QFont font = linkFont();
    const QCursor hand = handCursor();
    const auto makeLabel = [&](QWidget* owner, const char* name, const QString& caption,
                               const QRect& rect) {
        auto* label = new LinkLabel(caption, owner);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText); // feed titles are text, never markup
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(font);
        label->setCursor(hand);
        label->setGeometry(rect);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        setTextColor(label, kDesignText);
        return label;
    };

    Label2[0] = makeLabel(this, "Label2_0", QStringLiteral("淘宝特卖"), QRect(8, 6, 65, 17));

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(88, 0, 177, 25);
    Picture1->setAutoFillBackground(true);
    Picture1->setPalette(palette);
    Picture1->setMouseTracking(true);
    Picture1->installEventFilter(this);

    Label1 = makeLabel(Picture1, "Label1", QString(), QRect(0, 8, 167, 14));
    Label2[1] = makeLabel(this, "Label2_1", QStringLiteral("商城导航"), QRect(280, 8, 73, 17));
    Label3 = makeLabel(this, "Label3", QStringLiteral("更多软件"), QRect(368, 8, 57, 17));

    Timer1 = new Timer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &Timer::timeout, this, &Gg::Timer1_Timer);

    UserControl_Initialize(feedUrl, limits);
}

Gg::~Gg() = default;

void Gg::UserControl_Initialize(const QString& feedUrl, const FeedLimits& limits)
{
    Timer1->setEnabled(true);
    Timer1->setInterval(kMovingIntervalMs);
    // Widgets are placed in pixels already, so the ticker's positions are pixels.

    m_links = LinkTable(1);
    m_rowCounter = 0;
    m_tickerIndex = 0;

    {
        // Ticks that fall due while the feed loads are dropped; the ticker starts once the
        // table is complete.
        const QSignalBlocker quiet(Timer1);
        loadFeed(feedUrl, m_links, m_rowCounter, limits);
    }

    if (titleOf(0).isEmpty())
        m_links = fixedLinks();
    Timer1->setEnabled(true);
    Label1->setText(titleOf(0));
    m_currentLink = linkOf(0);

    Label2[0]->setText(titleOf(0));
    bool exists = false;
    const QString second = titleOf(1, &exists);
    if (exists)
        Label2[1]->setText(second);
}

QString Gg::titleOf(int row, bool* exists) const
{
    const bool ok = row >= 0 && row < m_links.size();
    if (exists)
        *exists = ok;
    return ok ? m_links[row].title : QString();
}

QString Gg::linkOf(int row) const
{
    return row >= 0 && row < m_links.size() ? m_links[row].link : QString();
}

void Gg::openLink(const QString& link)
{
    // Only web pages: a feed must never be able to start a local program or open a file.
    const QUrl url(link);
    if (isWebUrl(url))
        m_shell.openUrl(url);
}

void Gg::Label1_Click()
{
    openLink(m_currentLink);
}

void Gg::Label2_Click(int index)
{
    openLink(linkOf(index));
}

void Gg::Label3_Click()
{
    openLink(moreSoftwareUrl());
}

void Gg::Label1_MouseMove()
{
    Timer1->setEnabled(false);
    Label1->move(Label1->x(), kRestTop);
    setTextColor(Label1, kRed);
}

void Gg::Label2_MouseMove(int index)
{
    setTextColor(Label2[static_cast<size_t>(index)], kRed);
}

void Gg::Picture1_MouseMove()
{
    setTextColor(Label1, kBlue);
    Timer1->setEnabled(true);
}

void Gg::UserControl_MouseMove()
{
    setTextColor(Label2[0], kBlue);
    setTextColor(Label2[1], kBlue);
    setTextColor(Label1, kBlue);
    Timer1->setEnabled(true);
}

void Gg::Timer1_Timer()
{
    // A title rises from below the frame, rests near the top, and at the top gives way to the
    // next row.
    if (Label1->y() == 0) {
        if (m_tickerIndex > lastRow())
            m_tickerIndex = 0;
        bool exists = false;
        const QString title = titleOf(m_tickerIndex, &exists);
        if (exists) {
            Label1->setText(title);
            m_currentLink = linkOf(m_tickerIndex);
        }
        if (m_tickerIndex < std::numeric_limits<qint16>::max())
            ++m_tickerIndex;
    }
    if (0 - Label1->y() >= Label1->y())
        Label1->move(Label1->x(), Picture1->contentsRect().height());
    Label1->move(Label1->x(), Label1->y() - 1);
    Timer1->setInterval(Label1->y() == kRestTop ? kRestingIntervalMs : kMovingIntervalMs);
}

void Gg::click(QObject* part)
{
    if (part == Label1)
        Label1_Click();
    else if (part == Label2[0])
        Label2_Click(0);
    else if (part == Label2[1])
        Label2_Click(1);
    else if (part == Label3)
        Label3_Click();
}

bool Gg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == Label1)
            Label1_MouseMove();
        else if (watched == Label2[0])
            Label2_MouseMove(0);
        else if (watched == Label2[1])
            Label2_MouseMove(1);
        else if (watched == Picture1)
            Picture1_MouseMove();
        // Label3 has no hover handling, and a move over it is not one over the background.
        return true;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            m_pressed = watched;
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // The second press of a double click is no new click.
        m_pressed = nullptr;
        return true;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (mouse->button() != Qt::LeftButton)
            return true;
        const bool inside = widget && widget->rect().contains(mouse->position().toPoint());
        QObject* pressed = m_pressed;
        m_pressed = nullptr;
        if (pressed == watched && inside)
            click(watched);
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void Gg::mouseMoveEvent(QMouseEvent* event)
{
    UserControl_MouseMove();
    event->accept();
}

} // namespace kelvane
