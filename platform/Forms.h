#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kelvane {

class FormRegistry;

// A top-level window with the desktop-form life cycle: created and loaded (Form_Load runs) before
// it is shown; unloading hides it, runs Form_Unload and destroys it. Loaded and shown are
// different states.
class Form : public QWidget
{
    Q_OBJECT
public:
    Form(const QString& name, FormRegistry& registry, QWidget* parent = nullptr);
    ~Form() override;

    const QString& formName() const { return m_name; }
    FormRegistry& forms() const { return m_registry; }

    // Unloads this window: the same as the registry's unload for this form.
    void Unload();

protected:
    friend class FormRegistry;
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    // Closing from the window manager (title bar close, Alt+F4) unloads the form.
    void closeEvent(QCloseEvent* event) override;

private:
    QString m_name;
    FormRegistry& m_registry;
};

// The loaded windows of the program, at most one per name. The program ends when the last
// loaded window is unloaded (lastFormUnloaded), not when the last one is hidden.
class FormRegistry : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<Form*(FormRegistry&)>;

    explicit FormRegistry(QObject* parent = nullptr);
    ~FormRegistry() override;

    void registerForm(const QString& name, Factory factory);
    bool isRegistered(const QString& name) const { return m_factories.contains(name); }

    // Creates and loads the form when it is not loaded; returns the loaded instance.
    Form* load(const QString& name);
    // Loads when needed, then shows the form and brings it to the front.
    Form* show(const QString& name);
    void unload(const QString& name);
    void unload(Form* form);

    Form* find(const QString& name) const;
    bool isLoaded(const QString& name) const { return find(name) != nullptr; }
    int loadedCount() const { return static_cast<int>(m_loaded.size()); }
    QStringList loadedNames() const;

    // Unloads every window, newest first (program shutdown).
    void unloadAll();

Q_SIGNALS:
    void formLoaded(const QString& name);
    void formUnloaded(const QString& name);
    void lastFormUnloaded();

private:
    // A form whose box or menu was running its own event loop when it was unloaded: the box is
    // closed, and the form is deleted only once that loop has returned to its caller, which still
    // holds the box (deleting the form would delete the box under it).
    struct PendingDelete
    {
        QPointer<Form> form;
        int loopLevel = 0; // the event loop depth at the unload
    };
    static bool closeLoopsOf(Form* form);
    void deleteWhenLoopsReturn();

    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<Form>> m_loaded;
    QStringList m_order;
    QList<PendingDelete> m_pendingDeletes;
    QTimer m_pendingCheck;
};

} // namespace kelvane
