#include "app/TvWindow.h"

#include "app/Ui.h"
#include "app/VideoWindow.h"
#include "button/SkinButton.h"
#include "catalogue/ListUpdate.h"
#include "catalogue/StationList.h"
#include "downloader/FileDownloader.h"
#include "platform/MessageBox.h"

namespace kelvane {

TvWindow::TvWindow(FormRegistry& forms, const AppServices& services)
    : PlayerWindow(QStringLiteral("frmMainTV"), forms, services, QSize(352, 313))
{
    const QFont arial = designFont(QStringLiteral("Arial"), 9);

    tLista = makeList(QStringLiteral("tLista"), QRect(1440, 1440, 3735, 1635), QColor(255, 128, 0),
                      [this] { tLista_DblClick(); });
    tLista->setFont(arial);

    Label1 = new ClickLabel(QStringLiteral("关于"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTransparent(true);
    Label1->setFont(arial);
    Label1->setCursor(Qt::PointingHandCursor);
    QPalette aboutPalette = Label1->palette();
    aboutPalette.setColor(QPalette::WindowText, QColor(192, 64, 0));
    Label1->setPalette(aboutPalette);
    placeTwips(Label1, 4200, 720, 1095, 255);
    connect(Label1, &ClickLabel::Click, this, &TvWindow::Label1_Click);

    bbUpdate = makeButton(services, this, QStringLiteral("bbUpdate"), QStringLiteral("检查更新"), 0,
                          840, 1575, 300);
    connect(bbUpdate, &SkinButton::Click, this, &TvWindow::bbUpdate_Click);

    // Below the client area: never seen, but it holds the TV list's address.
    Text = new QLineEdit(QStringLiteral(KELVANE_LIST_BASE_URL "tvstacionet.dat"), this);
    Text->setObjectName(QStringLiteral("Text"));
    placeTwips(Text, 360, 5040, 3855, 315);

    sAdult = makeButton(services, this, QStringLiteral("sAdult"), QStringLiteral("显示媒体链接"),
                        1560, 3120, 3495, 375, true);
    connect(sAdult, &SkinButton::Click, this, &TvWindow::sAdult_Click);
    hAdult = makeButton(services, this, QStringLiteral("hAdult"), QStringLiteral("隐藏"), 1560,
                        3120, 3495, 375);
    hAdult->setVisible(false);
    connect(hAdult, &SkinButton::Click, this, &TvWindow::hAdult_Click);

    Label2 = makeCloseMarks(5160, 0, [this](int index) { Label2_Click(index); });

    aLista = makeList(QStringLiteral("aLista"), QRect(1440, 1440, 3735, 1500), QColor(255, 0, 0),
                      [this] { aLista_DblClick(); });
    aLista->setVisible(false);

    Text1 = new QLineEdit(QStringLiteral(KELVANE_LIST_BASE_URL "tvadult.dat"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    placeTwips(Text1, 3480, 2640, 1455, 285);
    Text1->setVisible(false);

    Gg1 = makeBanner(services, this);
    placeTwips(Gg1, 0, 4200, 5295, 495);

    Image1 = new HotArea(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    placeTwips(Image1, 3960, 3600, 1095, 615);
    connect(Image1, &HotArea::Click, this, &TvWindow::Image1_Click);

    FileDownloader = makeDownloader(3600, 5280);
    connect(FileDownloader, &kelvane::FileDownloader::DownloadErrors, this,
            &TvWindow::FileDownloader_DownloadErrors);
    connect(FileDownloader, &kelvane::FileDownloader::DowloadComplete, this,
            &TvWindow::FileDownloader_DowloadComplete);

    setTabOrder(tLista, bbUpdate);
    setTabOrder(bbUpdate, Text);
    setTabOrder(Text, sAdult);
    setTabOrder(sAdult, hAdult);
    setTabOrder(hAdult, aLista);
    setTabOrder(aLista, Text1);
    // Last: it places the finished window at its docking position.
    QuandleXPTaskBar1 = makeDockingBar(2880, 5520);
}

void TvWindow::Form_Load()
{
    const QString folder = services().programFolder;
    LoadStationList(ProgramFilePath(folder, kTvListFile), kTvSeparator, *tLista, tURLs);
    LoadStationList(ProgramFilePath(folder, kAdultListFile), kTvSeparator, *aLista, aURLs);
}

void TvWindow::playIn(const QListWidget* list, const QStringList& urls)
{
    auto* video = dynamic_cast<VideoWindow*>(forms().show(QStringLiteral("frmTV")));
    if (video == nullptr)
        throw StepFailed("video window did not load");
    video->wmpt->close();
    const int index = selectedPosition(list);
    if (index < 0 || index >= urls.size())
        throw StepFailed("no station selected");
    video->wmpt->setURL(urls.at(index));
    // Enabling a running reveal timer keeps its count: a second station chosen while the window
    // waits is revealed when the first would have been.
    video->Timer1.setEnabled(true);
}

void TvWindow::PlayTvStation()
{
    guarded([this] { playIn(tLista, tURLs); });
}

void TvWindow::PlayAdultStation()
{
    guarded([this] { playIn(aLista, aURLs); });
}

void TvWindow::tLista_DblClick()
{
    guarded([this] { PlayTvStation(); });
}

void TvWindow::aLista_DblClick()
{
    guarded([this] { PlayAdultStation(); });
}

void TvWindow::sAdult_Click()
{
    guarded([this] {
        hAdult->setVisible(true);
        sAdult->setVisible(false);
        tLista->setVisible(false);
        aLista->setVisible(true);
    });
}

void TvWindow::hAdult_Click()
{
    guarded([this] {
        sAdult->setVisible(true);
        hAdult->setVisible(false);
        aLista->setVisible(false);
        tLista->setVisible(true);
    });
}

void TvWindow::Image1_Click()
{
    guarded([this] {
        if (forms().show(QStringLiteral("frmMain")) == nullptr)
            throw StepFailed("radio window did not load");
        Unload();
    });
}

// The About and close labels of this window show no message: an unexpected failure there
// leaves the window as it was.
void TvWindow::Label1_Click()
{
    silent([this] { forms().show(QStringLiteral("frmAbout")); });
}

void TvWindow::Label2_Click(int)
{
    silent([this] { Unload(); });
}

} // namespace kelvane

namespace kelvane {

void TvWindow::Form_Unload()
{
    // A running list download ends with the window; the video window goes on.
    FileDownloader->Cancel();
}

// An unexpected failure here shows the generic message, as in the radio window: a listener
// should not be left with a button that silently did nothing.
void TvWindow::bbUpdate_Click()
{
    guarded([this] {
        // While a transfer runs, a click only cancels it, whatever the caption reads.
        if (bbUpdate->Caption() == u"下载" && !FileDownloader->isTransferring()) {
            if (TrimSpaces(Text->text()).isEmpty())
                return;
            Text->setEnabled(false);
            if (TrimSpaces(Text1->text()).isEmpty())
                return;
            Text1->setEnabled(false);
            bbUpdate->setCaption(QStringLiteral("Cancel"));
            const auto onError = [this](const QString& e) { FileDownloader_DownloadErrors(e); };
            const QString adultUrl = Text1->text();
            if (!downloadList(*FileDownloader, Text->text(), onError))
                return; // the window went away during the first transfer
            if (forms().find(formName()) != this)
                return; // unloaded: no second transfer for a closed window
            // The second list follows whatever became of the first.
            downloadList(*FileDownloader, adultUrl, onError);
        } else {
            FileDownloader->Cancel();
            Text->setEnabled(true);
            Text1->setEnabled(true);
            bbUpdate->setCaption(QStringLiteral("下载"));
        }
    });
}

void TvWindow::FileDownloader_DownloadErrors(const QString& strError)
{
    if (services().messageBox != nullptr)
        services().messageBox->show(this, strError, QStringLiteral("错误"),
                                    MessageBox::Icon::Error);
    Text->setEnabled(true);
    bbUpdate->setCaption(QStringLiteral("下载"));
    FileDownloader->Cancel();
}

void TvWindow::FileDownloader_DowloadComplete()
{
    if (services().messageBox != nullptr)
        services().messageBox->show(this, QStringLiteral("下载完毕: 请重新启动程序！"),
                                    QStringLiteral("成功"), MessageBox::Icon::Information);
    Text->setEnabled(true);
    bbUpdate->setCaption(QStringLiteral("检查更新"));
    // Repainted, not re-read: the new stations appear when the window is next loaded.
    tLista->viewport()->update();
}

} // namespace kelvane
