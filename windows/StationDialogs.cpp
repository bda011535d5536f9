#include "windows/StationDialogs.h"

#include "net/NetworkAddress.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace kelvane {

QString refusalOf(const TypedStation& station)
{
    if (station.name.trimmed().isEmpty())
        return QStringLiteral("请输入电台名称。");
    if (station.url.trimmed().isEmpty())
        return QStringLiteral("请输入电台地址。");
    if (!net::isNetworkAddress(QUrl(station.url.trimmed())))
        return QStringLiteral("电台地址必须是网络地址（http、https、mms、rtsp、rtmp 等）。");
    return {};
}

StationDialog::StationDialog(const QString& title, const TypedStation& station, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(station.name, this)),
      m_url(new QLineEdit(station.url, this)), m_message(new QLabel(this))
{
    setWindowTitle(title);
    m_url->setPlaceholderText(QStringLiteral("http://"));
    m_url->setMinimumWidth(320);
    m_message->setStyleSheet(QStringLiteral("color: #c00000"));
    m_message->setWordWrap(true);
    m_message->hide();
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("名称："), m_name);
    form->addRow(QStringLiteral("地址："), m_url);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &StationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &StationDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
}

TypedStation StationDialog::station() const
{
    return {m_name->text().trimmed(), m_url->text().trimmed()};
}

QString StationDialog::refusal() const
{
    return m_message->isVisible() || !m_message->text().isEmpty() ? m_message->text() : QString();
}

void StationDialog::accept()
{
    const QString why = refusalOf(station());
    m_message->setText(why);
    m_message->setVisible(!why.isEmpty());
    if (!why.isEmpty()) {
        (why.contains(QStringLiteral("名称")) ? m_name : m_url)->setFocus();
        return;
    }
    QDialog::accept();
}

std::optional<TypedStation> QtStationDialogs::editStation(QWidget* parent, const QString& title,
                                                          const TypedStation& station)
{
    QPointer<StationDialog> dialog = new StationDialog(title, station, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    const bool ok = dialog->exec() == QDialog::Accepted && dialog;
    std::optional<TypedStation> result = ok ? std::optional(dialog->station()) : std::nullopt;
    delete dialog.data();
    return result;
}

bool QtStationDialogs::confirm(QWidget* parent, const QString& text, const QString& title)
{
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Question, title, text,
                                                QMessageBox::Yes | QMessageBox::No, parent);
    box->button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box->button(QMessageBox::No)->setText(QStringLiteral("否"));
    box->setDefaultButton(QMessageBox::No);
    const bool yes = box->exec() == QMessageBox::Yes && box;
    delete box.data();
    return yes;
}

QString QtStationDialogs::importSource(QWidget* parent)
{
    // One field takes either: an address typed in, or a file picked with "浏览…".
    QPointer<QDialog> dialog = new QDialog(parent);
    dialog->setWindowTitle(QStringLiteral("导入播放列表"));
    auto* field = new QLineEdit(dialog);
    field->setMinimumWidth(360);
    field->setPlaceholderText(QStringLiteral("文件或 http(s) 地址"));
    auto* browse = new QPushButton(QStringLiteral("浏览…"), dialog);
    QObject::connect(browse, &QPushButton::clicked, dialog, [dialog, field] {
        const QString path = QFileDialog::getOpenFileName(
            dialog, QStringLiteral("选择播放列表"), QDir::homePath(),
            QStringLiteral("播放列表 (*.m3u *.m3u8 *.pls *.xspf *.dat);;所有文件 (*)"));
        if (dialog && !path.isEmpty())
            field->setText(path);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("导入"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(field);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(
        new QLabel(QStringLiteral("播放列表（M3U、PLS、XSPF）的文件或网址："), dialog));
    layout->addLayout(row);
    layout->addWidget(buttons);
    const bool ok = dialog->exec() == QDialog::Accepted && dialog;
    const QString source = ok ? field->text().trimmed() : QString();
    delete dialog.data();
    return source;
}

std::optional<StationDialogs::Target> QtStationDialogs::importTarget(QWidget* parent)
{
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Question, QStringLiteral("导入播放列表"),
                        QStringLiteral("导入到哪个列表？"), QMessageBox::NoButton, parent);
    QPushButton* radio = box->addButton(QStringLiteral("收音机"), QMessageBox::AcceptRole);
    QPushButton* tv = box->addButton(QStringLiteral("电视"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box->setDefaultButton(radio);
    box->exec();
    if (!box)
        return std::nullopt;
    const QAbstractButton* clicked = box->clickedButton();
    delete box.data();
    if (clicked == radio)
        return Target::Radio;
    if (clicked == tv)
        return Target::Tv;
    return std::nullopt;
}

std::optional<std::pair<StationDialogs::Export, QString>>
QtStationDialogs::exportTarget(QWidget* parent, const QString& suggestedName)
{
    const QStringList choices = {QStringLiteral("本列表的全部电台"), QStringLiteral("我的电台"),
                                 QStringLiteral("我的收藏")};
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, QStringLiteral("导出播放列表"),
                                                 QStringLiteral("导出："), choices, 0, false, &ok);
    if (!ok)
        return std::nullopt;
    const auto what = static_cast<Export>(choices.indexOf(chosen));
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("导出播放列表"),
                                                      QDir::home().filePath(suggestedName),
                                                      QStringLiteral("M3U8 播放列表 (*.m3u8)"));
    if (path.isEmpty())
        return std::nullopt;
    return std::pair(what, path.endsWith(QStringLiteral(".m3u8"), Qt::CaseInsensitive)
                               ? path
                               : path + QStringLiteral(".m3u8"));
}

} // namespace kelvane
