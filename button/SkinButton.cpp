#include "button/SkinButton.h"

#include "button/ButtonAbout.h"
#include "button/ButtonColors.h"
#include "button/ButtonProperties.h"

#include <QKeyEvent>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace kelvane {

namespace {

constexpr int kKeySpace = 32;
constexpr int kLeftButton = 1;
constexpr qint32 kBalloonTooltip = 1; // ToolTipType; any other value is a rectangle

// Mouse buttons as the handlers number them: 1 left, 2 right, 4 middle.
int buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// Focus that leaves for another window or a popup and comes back is the same focus: a
// keyboard-given mark returns with it.
bool keepsFocusMark(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

StyleButtonTheme& applicationTheme()
{
    static StyleButtonTheme theme;
    return theme;
}

} // namespace

SkinButton::SkinButton(Shell& shell, QWidget* parent)
    : SkinButton(shell, applicationTheme(), parent)
{}

SkinButton::SkinButton(Shell& shell, ButtonTheme& theme, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_theme(theme), m_About(new ButtonAbout(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The design font until a stored or new-control font replaces it.
    m_font = buttonDesignFont();
    applyDrawingFont();
    m_aboutWindowFlags = m_About->windowFlags();
}

SkinButton::~SkinButton()
{
    UserControl_Terminate();
}

QString SkinButton::Version() const
{
    return u"3.0"_s;
}

qint32 SkinButton::OpenLink(const QString& link)
{
    // Only web pages: any other text handed to the desktop could start a local program.
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    if (!isWebUrl(url))
        return kOpenLinkFailed;
    return m_shell.openUrl(url) ? kOpenLinkOpened : kOpenLinkFailed;
}

void SkinButton::About()
{
    m_About->setParent(this, m_aboutWindowFlags | Qt::Window | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    m_About->setWindowTitle(u"About SkinButton "_s + Version());
    m_About->show();
    m_About->raise();
}

// --- Hover: the control's own events, seen after the window has handled them ---

void SkinButton::SubclassWindow(QWidget* window)
{
    if (m_subclassed.contains(window))
        return;
    window->setMouseTracking(true);
    window->installEventFilter(this);
    m_subclassed.append(window);
}

void SkinButton::UnsubclassAll()
{
    for (const QPointer<QWidget>& window : std::as_const(m_subclassed)) {
        if (window)
            window->removeEventFilter(this);
    }
    m_subclassed.clear();
}

bool SkinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && m_subclassed.contains(this)) {
        bool handled = false;
        const QPointer<SkinButton> alive(this);
        SubclassProc(true, handled, this, event);
        // The tooltip watches the control's mouse messages itself.
        if (alive && m_tooltipWindow && isEnabled())
            m_tooltipWindow->ownerEvent(event);
    }
    return QWidget::eventFilter(watched, event);
}

void SkinButton::SubclassProc(bool, bool&, QWidget* window, QEvent* event)
{
    if (window != this)
        return;
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        Refresh();
        break;
    case QEvent::Enter:
    case QEvent::MouseMove:
        // A disabled window gets no pointer messages.
        if (!m_mouseInside && isEnabled()) {
            m_mouseInside = true;
            m_buttonState = ButtonStates::Hot;
            Refresh();
            const QPointer<SkinButton> alive(this);
            Q_EMIT MouseEnter();
            if (alive) // the host may have destroyed the button in its handler
                CreateTooltip();
        }
        break;
    case QEvent::Leave:
        if (m_mouseInside) {
            m_mouseInside = false;
            m_buttonState = ButtonStates::Normal;
            Refresh();
            Q_EMIT MouseLeave();
        }
        break;
    default:
        break;
    }
}

void SkinButton::CreateTooltip()
{
    delete m_tooltipWindow;
    auto* tip = new ButtonTooltip(this, m_toolTipType == kBalloonTooltip);
    tip->setText(m_toolTip);
    if (!m_toolTipTitle.isEmpty() || m_toolTipIcon != 0)
        tip->setTitle(m_toolTipIcon, m_toolTipTitle);
    // A colour of 0 (black) is never applied: the system's colours stay.
    if (m_toolTipForeColor != 0)
        tip->setTextColor(TranslateColor(m_toolTipForeColor));
    if (m_toolTipBackColor != 0)
        tip->setBackgroundColor(TranslateColor(m_toolTipBackColor));
    m_tooltipWindow = tip;
}

// --- Mouse, keyboard and focus ---

void SkinButton::mousePressEvent(QMouseEvent* event)
{
    m_afterDoubleClick = false;
    UserControl_MouseDown(buttonNumber(event->button()));
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = buttonNumber(event->button());
    UserControl_MouseUp(button);
    // The second release of a double click ends no click of its own.
    const bool clicks = !m_afterDoubleClick && rect().contains(event->position().toPoint());
    m_afterDoubleClick = false;
    if (clicks)
        UserControl_Click();
}

void SkinButton::mouseDoubleClickEvent(QMouseEvent*)
{
    m_afterDoubleClick = true;
    UserControl_DblClick();
}

void SkinButton::keyPressEvent(QKeyEvent* event)
{
    bool used = false;
    if (event->key() == Qt::Key_Space) {
        UserControl_KeyDown(kKeySpace);
        used = true;
    }
    if (event->text() == u" "_s) {
        UserControl_KeyPress(kKeySpace);
        used = true;
    }
    if (!used)
        QWidget::keyPressEvent(event);
}

void SkinButton::keyReleaseEvent(QKeyEvent* event)
{
    // Held keys repeat their press only, as the platform's key messages do.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        UserControl_KeyUp(kKeySpace);
    else
        QWidget::keyReleaseEvent(event);
}

void SkinButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason)
        m_keyboardFocus = true;
    else if (!keepsFocusMark(reason))
        m_keyboardFocus = false;
    UserControl_GotFocus();
}

void SkinButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (!keepsFocusMark(event->reason()))
        m_keyboardFocus = false;
    UserControl_LostFocus();
    UserControl_ExitFocus();
}

void SkinButton::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    UserControl_Show();
}

void SkinButton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    UserControl_Hide();
}

void SkinButton::UserControl_MouseDown(int button)
{
    if (button != kLeftButton)
        return;
    m_buttonState = ButtonStates::Pressed;
    Refresh();
}

void SkinButton::UserControl_MouseUp(int button)
{
    if (button == kLeftButton) {
        // An unset toggle button already shows the pressed look the click will give it.
        m_buttonState = (isToggle() && !m_value) ? ButtonStates::Pressed : ButtonStates::Hot;
        Refresh();
    }
    m_lastButton = button;
}

void SkinButton::UserControl_Click()
{
    if (m_lastButton != kLeftButton)
        return;
    if (isToggle()) {
        m_value = !m_value;
        m_buttonState = ButtonStates::Hot;
        Refresh();
    }
    Q_EMIT Click();
}

void SkinButton::UserControl_DblClick()
{
    if (m_lastButton == kLeftButton)
        UserControl_MouseDown(kLeftButton);
}

void SkinButton::UserControl_KeyDown(int keyCode)
{
    if (keyCode == kKeySpace)
        UserControl_MouseDown(kLeftButton);
}

void SkinButton::UserControl_KeyPress(int keyAscii)
{
    if (keyAscii != kKeySpace)
        return;
    if (isToggle()) {
        m_value = !m_value;
        m_buttonState = ButtonStates::Hot;
        Refresh();
    }
    Q_EMIT Click();
}

void SkinButton::UserControl_KeyUp(int keyCode)
{
    if (keyCode == kKeySpace)
        UserControl_MouseUp(kLeftButton);
}

void SkinButton::UserControl_GotFocus()
{
    m_hasFocus = true;
    Refresh();
}

void SkinButton::UserControl_LostFocus()
{
    m_hasFocus = false;
    Refresh();
}

void SkinButton::UserControl_ExitFocus()
{
    m_hasFocus = false;
    Refresh();
}

void SkinButton::UserControl_Show()
{
    // Only the control's own tooltip is shown: the host's text moves into ToolTip. An empty
    // host text leaves ToolTip as it was read, so a stored tooltip is not lost.
    const QString hostText = hostToolTip();
    if (!hostText.isEmpty())
        m_toolTip = hostText;
    QWidget::setToolTip(QString());
    Refresh();
}

void SkinButton::UserControl_Hide()
{
    QWidget::setToolTip(m_toolTip);
}

void SkinButton::UserControl_Terminate()
{
    UnsubclassAll();
}

} // namespace kelvane
