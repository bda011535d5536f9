#pragma once

#include <QString>

class QWidget;

namespace kelvane {

// A modal message box with one OK button. Windows get one passed in, so tests can record
// what would have been shown instead of blocking on a real dialog.
class MessageBox
{
public:
    enum class Icon
    {
        None,
        Information,
        Warning,
        Error
    };

    virtual ~MessageBox() = default;
    virtual void show(QWidget* parent, const QString& text, const QString& title, Icon icon) = 0;
};

// The real thing: QMessageBox, modal, OK only.
class QtMessageBox final : public MessageBox
{
public:
    void show(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
};

} // namespace kelvane
