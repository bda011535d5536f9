#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace kelvane {

// The compact bar's status line: the state first, drawn whole, then what plays (station and
// title), which scrolls gently when it does not fit, resting a moment at each end. A part that
// starts with "●" (recording) draws its dot in red. The tooltip holds the whole line.
class StatusLine : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kStepMs = 50;   // one pixel per step: 20 px a second
    static constexpr int kRestMs = 1500; // at each end
    static inline const QString kSeparator = QStringLiteral(" · ");

    explicit StatusLine(QWidget* parent = nullptr);

    void setLine(const QStringList& state, const QString& subject);
    // The whole line as it reads: the state's parts, then the subject.
    QString text() const;
    // Pixels: the state's width, and how far the subject is scrolled out of the room it has.
    int stateWidth() const;
    int scrollOffset() const { return m_offset; }
    int scrollRange() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QString stateText() const;
    bool stateFits() const;
    int advance(const QString& text) const;
    QString subjectText() const;
    void restartScroll();
    void step();

    QStringList m_state;
    QString m_subject;
    int m_offset = 0;
    int m_direction = 1;
    QTimer m_scroll;
};

} // namespace kelvane
