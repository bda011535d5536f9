#pragma once

#include <QWidget>

namespace kelvane {

// The button's own credit panel, hidden inside the button until About() detaches and shows
// it; as a detached window it hides again on a click.
class ButtonAbout final : public QWidget
{
public:
    explicit ButtonAbout(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace kelvane
