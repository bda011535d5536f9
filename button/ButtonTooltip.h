#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace kelvane {

// The button's own tooltip window: a small top-level tip, balloon-shaped or rectangular, with
// an optional title line and icon. Its owner hands it its events; from those it shows itself
// after the pointer has rested over the owner for a moment and hides itself on leaving,
// pressing a button, or after a while, as a system tooltip does.
class ButtonTooltip : public QWidget
{
    Q_OBJECT
public:
    enum TitleIcon
    {
        NoIcon = 0,
        InformationIcon = 1,
        WarningIcon = 2,
        ErrorIcon = 3
    };

    ButtonTooltip(QWidget* owner, bool balloon);

    bool isBalloon() const { return m_balloon; }

    const QString& text() const { return m_text; }
    void setText(const QString& text);

    // The title line shows only after this was called: the icon number is kept as given
    // (numbers other than 1 to 3 draw no icon).
    void setTitle(int icon, const QString& title);
    bool hasTitle() const { return m_hasTitle; }
    const QString& title() const { return m_title; }
    int titleIcon() const { return m_titleIcon; }

    // RGB values (0x00BBGGRR); -1 (a colour that could not be translated) keeps the system's.
    void setTextColor(qint32 rgb);
    void setBackgroundColor(qint32 rgb);

    // How long the pointer must rest before the tip shows, and how long it stays.
    void setDelays(int showAfterMs, int hideAfterMs);

    // The owner's events, as the owner receives them.
    void ownerEvent(QEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();
    void popUp();
    void dismiss();
    QPainterPath outline() const;

    QWidget* m_owner;
    bool m_balloon;
    QString m_text;
    QString m_title;
    int m_titleIcon = NoIcon;
    bool m_hasTitle = false;
    bool m_pointerInside = false;
    QPoint m_pointer;
    QTimer m_showTimer;
    QTimer m_hideTimer;
};

} // namespace kelvane
