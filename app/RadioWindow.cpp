#include "app/RadioWindow.h"

#include "adbanner/Gg.h"
#include "adbanner/HandCursor.h"
#include "app/Ui.h"
#include "button/SkinButton.h"
#include "catalogue/StationList.h"
#include "platform/MessageBox.h"

#include <QKeyEvent>
#include <QPainter>

#include <stdexcept>

namespace kelvane {

namespace {

// A handler step that could not be done; reported with the generic message.
struct StepFailed : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

ClickLabel* closeMark(QWidget* parent, int left)
{
    auto* label = new ClickLabel(QStringLiteral("X"), parent);
    label->setFont(designFont(QStringLiteral("Arial"), 9, true));
    label->setTransparent(true);
    label->setCursor(Qt::PointingHandCursor);
    placeTwips(label, left, 0, 135, 255);
    return label;
}

} // namespace

RadioWindow::RadioWindow(FormRegistry& forms, const AppServices& services)
    : Form(QStringLiteral("frmMain"), forms), m_services(services), m_picture(pictureA())
{
    setWindowTitle(QStringLiteral("Kelvane"));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFont(defaultFont());
    setFixedSize(351, 312);
    setAttribute(Qt::WA_OpaquePaintEvent);

    MediaPlayerSettings playerSettings;
    playerSettings.uiMode = QStringLiteral("mini");
    playerSettings.extraOptions = services.playerOptions;
    wmpr = new MediaPlayer(playerSettings, this);
    wmpr->setObjectName(QStringLiteral("wmpr"));
    placeTwips(wmpr, 1080, 1320, 4080, 915);

    // Created after the player so it stacks above it: the list covers the player's lower part
    // and every station row stays visible.
    rLista = new QListWidget(this);
    rLista->setObjectName(QStringLiteral("rLista"));
    placeTwips(rLista, 1080, 1560, 4095, 1680);
    QPalette listPalette = rLista->palette();
    listPalette.setColor(QPalette::Text, QColor(255, 128, 0));
    rLista->setPalette(listPalette);
    rLista->setSelectionMode(QAbstractItemView::SingleSelection);
    rLista->setUniformItemSizes(true);
    connect(rLista, &QListWidget::itemDoubleClicked, this, [this] { rLista_DblClick(); });
    rLista->installEventFilter(this);

    Label1 = new ClickLabel(QStringLiteral("关于"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTransparent(true);
    Label1->setCursor(Qt::PointingHandCursor);
    QPalette aboutPalette = Label1->palette();
    aboutPalette.setColor(QPalette::WindowText, QColor(192, 64, 0));
    Label1->setPalette(aboutPalette);
    placeTwips(Label1, 4200, 840, 975, 255);
    connect(Label1, &ClickLabel::Click, this, &RadioWindow::Label1_Click);

    bbStop = makeButton(services, this, QStringLiteral("bbStop"), QStringLiteral("停止"), 4440,
                        3240, 615, 300);
    connect(bbStop, &SkinButton::Click, this, &RadioWindow::bbStop_Click);

    bbUpdate = makeButton(services, this, QStringLiteral("bbUpdate"), QStringLiteral("检查更新"), 0,
                          840, 1575, 300);

    // Below the client area: never seen, but it holds the list's address.
    Text = new QLineEdit(QStringLiteral(KELVANE_LIST_BASE_URL "fmstacionet.dat"), this);
    Text->setObjectName(QStringLiteral("Text"));
    placeTwips(Text, 360, 4920, 3495, 285);

    Label2[0] = closeMark(this, 5116);
    Label2[1] = closeMark(this, 10);
    for (int i = 0; i < 2; ++i) {
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        connect(Label2[i], &ClickLabel::Click, this, [this, i] { Label2_Click(i); });
    }

    Gg1 = makeBanner(services, this);
    placeTwips(Gg1, 0, 4200, 5295, 495);

    Image1 = new HotArea(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setCursor(handCursor());
    placeTwips(Image1, 3960, 3600, 1335, 615);
    connect(Image1, &HotArea::Click, this, &RadioWindow::Image1_Click);

    setTabOrder(wmpr, rLista);
    setTabOrder(rLista, bbStop);
    setTabOrder(bbStop, bbUpdate);
    setTabOrder(bbUpdate, Text);
    centreOnScreen(this);
}

void RadioWindow::Form_Load()
{
    LoadStationList(ProgramFilePath(m_services.programFolder, kRadioListFile), kRadioSeparator,
                    *rLista, rURLs);
}

void RadioWindow::Form_Unload()
{
    // The player ends with its window.
    wmpr->shutdown();
}

void RadioWindow::guarded(const std::function<void()>& steps)
{
    try {
        steps();
    } catch (const std::exception&) {
        if (m_services.messageBox != nullptr)
            m_services.messageBox->show(this, kGenericErrorText, kGenericErrorTitle,
                                        MessageBox::Icon::Information);
    }
}

void RadioWindow::PlayRadioStation()
{
    guarded([this] {
        wmpr->close();
        const int index = rLista->currentRow();
        if (!rLista->currentItem() || !rLista->currentItem()->isSelected() || index < 0 ||
            index >= rURLs.size())
            throw StepFailed("no station selected");
        wmpr->setURL(rURLs.at(index));
    });
}

void RadioWindow::rLista_DblClick()
{
    guarded([this] { PlayRadioStation(); });
}

void RadioWindow::bbStop_Click()
{
    guarded([this] { wmpr->close(); });
}

void RadioWindow::Image1_Click()
{
    guarded([this] {
        if (!forms().isRegistered(QStringLiteral("frmMainTV")))
            return; // no TV window in this build
        if (forms().show(QStringLiteral("frmMainTV")) == nullptr)
            throw StepFailed("TV window did not load");
        Unload();
    });
}

void RadioWindow::Label1_Click()
{
    guarded([this] {
        if (forms().show(QStringLiteral("frmAbout")) == nullptr)
            throw StepFailed("About window did not load");
    });
}

void RadioWindow::Label2_Click(int)
{
    guarded([this] { Unload(); });
}

void RadioWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.drawPixmap(0, 0, m_picture);
}

void RadioWindow::mousePressEvent(QMouseEvent* event)
{
    // A borderless window gets no focus from a window manager it bypasses: take it on a click.
    activateWindow();
    Form::mousePressEvent(event);
}

bool RadioWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on the list plays the chosen station, like a double click.
    if (watched == rLista && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            rLista_DblClick();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

} // namespace kelvane
