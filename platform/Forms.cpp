#include "platform/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QThread>

namespace kelvane {

Form::Form(const QString& name, FormRegistry& registry, QWidget* parent)
    : QWidget(parent, Qt::Window), m_name(name), m_registry(registry)
{
    setObjectName(name);
}

Form::~Form() = default;

void Form::Unload()
{
    m_registry.unload(this);
}

void Form::closeEvent(QCloseEvent* event)
{
    // The registry decides what closing means; the widget itself is deleted by it.
    event->ignore();
    if (m_registry.find(m_name) == this)
        Unload();
}

namespace {

bool belongsTo(const QWidget* widget, const Form* form)
{
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget == form)
            return true;
    }
    return false;
}

} // namespace

FormRegistry::FormRegistry(QObject* parent) : QObject(parent)
{
    // Only runs while a form waits for a box's loop to return: a few ticks after a quit.
    m_pendingCheck.setInterval(10);
    connect(&m_pendingCheck, &QTimer::timeout, this, &FormRegistry::deleteWhenLoopsReturn);
}

FormRegistry::~FormRegistry()
{
    for (const auto& form : std::as_const(m_loaded))
        delete form.data();
    for (const auto& pending : std::as_const(m_pendingDeletes))
        delete pending.form.data();
}

bool FormRegistry::closeLoopsOf(Form* form)
{
    bool closed = false;
    // Menus first: a menu opened over a box closes before the box can. Bounded, in case a
    // widget refuses to close.
    for (int i = 0; i < 16; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr || !belongsTo(popup, form))
            break;
        popup->close();
        closed = true;
    }
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !belongsTo(modal, form))
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        closed = true;
    }
    return closed;
}

void FormRegistry::deleteWhenLoopsReturn()
{
    const int level = QThread::currentThread()->loopLevel();
    for (auto it = m_pendingDeletes.begin(); it != m_pendingDeletes.end();) {
        if (it->form.isNull()) {
            it = m_pendingDeletes.erase(it);
        } else if (level < it->loopLevel) {
            // Now posted from this shallower loop, so it is carried out here.
            it->form->deleteLater();
            it = m_pendingDeletes.erase(it);
        } else {
            ++it;
        }
    }
    if (m_pendingDeletes.isEmpty())
        m_pendingCheck.stop();
}

void FormRegistry::registerForm(const QString& name, Factory factory)
{
    m_factories.insert(name, std::move(factory));
}

Form* FormRegistry::load(const QString& name)
{
    if (Form* existing = find(name))
        return existing;
    auto it = m_factories.constFind(name);
    if (it == m_factories.cend())
        return nullptr;
    Form* form = (*it)(*this);
    if (form == nullptr)
        return nullptr;
    m_loaded.insert(name, form);
    m_order.append(name);
    QPointer<Form> guard(form);
    form->Form_Load();
    if (guard.isNull() || find(name) != form)
        return nullptr; // unloaded itself while loading
    Q_EMIT formLoaded(name);
    return form;
}

Form* FormRegistry::show(const QString& name)
{
    Form* form = load(name);
    if (form == nullptr)
        return nullptr;
    form->show();
    form->raise();
    // A window that takes no input (the About window) leaves the keyboard where it was.
    if (!form->testAttribute(Qt::WA_ShowWithoutActivating))
        form->activateWindow();
    return form;
}

void FormRegistry::unload(const QString& name)
{
    unload(find(name));
}

void FormRegistry::unload(Form* form)
{
    if (form == nullptr || find(form->formName()) != form)
        return;
    const QString name = form->formName();
    // Out of the registry first, so an unload from inside Form_Unload does nothing twice.
    m_loaded.remove(name);
    m_order.removeAll(name);
    form->hide();
    form->Form_Unload();
    const int level = QThread::currentThread()->loopLevel();
    if (closeLoopsOf(form) && level > 0) {
        // A deleteLater posted now would run inside the box's own loop, under its exec().
        m_pendingDeletes.append({form, level});
        m_pendingCheck.start();
    } else {
        // Deferred: the unload is often asked for from inside one of the form's own handlers.
        form->deleteLater();
    }
    Q_EMIT formUnloaded(name);
    if (m_loaded.isEmpty())
        Q_EMIT lastFormUnloaded();
}

Form* FormRegistry::find(const QString& name) const
{
    auto it = m_loaded.constFind(name);
    return it == m_loaded.cend() ? nullptr : it->data();
}

QStringList FormRegistry::loadedNames() const
{
    return m_order;
}

void FormRegistry::unloadAll()
{
    while (!m_order.isEmpty())
        unload(m_order.constLast());
}

} // namespace kelvane
