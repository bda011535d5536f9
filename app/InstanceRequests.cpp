#include "app/InstanceRequests.h"

#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "windows/PlayerWindow.h"
#include "windows/PlaylistImport.h"

#include <QTimer>

#include <utility>

namespace kelvane {

namespace {
constexpr int kRaiseHoldMs = 5000;
const QString kSplash = QStringLiteral("frmSplash");
const QString kRadio = QStringLiteral("frmMain");
const QString kTv = QStringLiteral("frmMainTV");
} // namespace

InstanceRequests::InstanceRequests(FormRegistry& forms, const AppServices& services,
                                   QObject* parent)
    : QObject(parent), m_forms(forms), m_services(services)
{
    connect(&m_forms, &FormRegistry::formUnloaded, this, [this](const QString& name) {
        if (name == kSplash)
            QTimer::singleShot(0, this, &InstanceRequests::handOver);
    });
}

bool InstanceRequests::waiting() const
{
    return m_forms.isLoaded(kSplash);
}

QWidget* InstanceRequests::shownWindow() const
{
    for (const QString& name : {kRadio, kTv}) {
        if (QWidget* w = m_forms.find(name))
            return w;
    }
    return nullptr;
}

void InstanceRequests::open(const QStringList& files)
{
    m_files += files;
    if (!waiting())
        handOver();
}

void InstanceRequests::activate()
{
    m_activate = true;
    if (!waiting())
        handOver();
}

void InstanceRequests::tell(const QString& problem)
{
    m_problems.append(problem);
    if (!waiting())
        QTimer::singleShot(0, this, &InstanceRequests::handOver);
}

void InstanceRequests::handOver()
{
    if (waiting())
        return;
    if (m_activate) {
        m_activate = false;
        // The radio window, as its switch corner would bring it; a TV window makes way.
        const bool tvShown = m_forms.isLoaded(kTv) && !m_forms.isLoaded(kRadio);
        if (auto* radio = qobject_cast<PlayerWindow*>(m_forms.show(kRadio))) {
            radio->showInView(kRaiseHoldMs);
            radio->raise();
            radio->activateWindow();
            if (tvShown)
                m_forms.unload(kTv);
        }
    }
    const QStringList problems = std::exchange(m_problems, {});
    if (!problems.isEmpty() && m_services.messageBox != nullptr)
        m_services.messageBox->show(shownWindow(), problems.join(u'\n'),
                                    QStringLiteral("我的电台和收藏"), MessageBox::Icon::Warning);
    const QStringList files = std::exchange(m_files, {});
    if (!files.isEmpty())
        (new PlaylistImport(files, shownWindow(), m_services, this))->start();
}

} // namespace kelvane
