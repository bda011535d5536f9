#include "app/RadioWindow.h"

#include "adbanner/HandCursor.h"
#include "app/Ui.h"
#include "button/SkinButton.h"
#include "catalogue/StationList.h"

namespace kelvane {

RadioWindow::RadioWindow(FormRegistry& forms, const AppServices& services)
    : PlayerWindow(QStringLiteral("frmMain"), forms, services, QSize(351, 312))
{
    MediaPlayerSettings playerSettings;
    playerSettings.uiMode = QStringLiteral("mini");
    playerSettings.extraOptions = services.playerOptions;
    wmpr = new MediaPlayer(playerSettings, this);
    wmpr->setObjectName(QStringLiteral("wmpr"));
    placeTwips(wmpr, 1080, 1320, 4080, 915);

    // Created after the player so it stacks above it: the list covers the player's lower part
    // and every station row stays visible.
    rLista = makeList(QStringLiteral("rLista"), QRect(1080, 1560, 4095, 1680), QColor(255, 128, 0),
                      [this] { rLista_DblClick(); });

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

    Label2 = makeCloseMarks(5116, 10, [this](int index) { Label2_Click(index); });

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
    LoadStationList(ProgramFilePath(services().programFolder, kRadioListFile), kRadioSeparator,
                    *rLista, rURLs);
}

void RadioWindow::Form_Unload()
{
    // The player ends with its window.
    wmpr->shutdown();
}

void RadioWindow::PlayRadioStation()
{
    guarded([this] {
        wmpr->close();
        const int index = selectedPosition(rLista);
        if (index < 0 || index >= rURLs.size())
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

} // namespace kelvane
