#include "platform/Forms.h"

#include <QCloseEvent>

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

FormRegistry::FormRegistry(QObject* parent) : QObject(parent) {}

FormRegistry::~FormRegistry()
{
    for (const auto& form : std::as_const(m_loaded))
        delete form.data();
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
    // Deferred: the unload is often asked for from inside one of the form's own handlers.
    form->deleteLater();
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
