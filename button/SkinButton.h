#pragma once

#include "button/ButtonCanvas.h"
#include "button/ButtonStyle.h"
#include "button/ButtonTheme.h"
#include "button/ButtonTooltip.h"
#include "platform/PropertyBag.h"
#include "platform/Shell.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <span>

namespace kelvane {

struct ButtonProperty;

// The command button of every window. It keeps its settings in its host's property bag, draws
// its own face, tells the host about clicks and about the pointer entering and leaving it, and
// shows a tooltip of its own.
//
// Host side: the instance name is the widget's objectName(); the host's own tooltip text for
// the control is hostToolTip() (QWidget's tooltip, which the control takes over while shown);
// "running" versus "being designed" is setUserMode(). A host places a control either new
// (UserControl_InitProperties) or from its stored bag (UserControl_ReadProperties).
//
// Some setters share their names with QWidget's (setEnabled, setFont, setStyle, setToolTip):
// they are the control's properties and hide QWidget's on purpose.
class SkinButton : public QWidget
{
    Q_OBJECT
public:
    // OpenLink's result: failure, or a value above 32 for success.
    static constexpr qint32 kOpenLinkFailed = 0;
    static constexpr qint32 kOpenLinkOpened = 33;

    explicit SkinButton(Shell& shell, QWidget* parent = nullptr);
    // With the visual theme the themed style draws with; it must outlive the button.
    SkinButton(Shell& shell, ButtonTheme& theme, QWidget* parent = nullptr);
    ~SkinButton() override;

    // --- Public members, in the order of the member table ---

    // Receives the control window's intercepted events (pointer, leave, palette and style) from
    // its event filter, before the window's own handling, which does nothing it relies on.
    // Hosts do not call it. It leaves handled untouched.
    void SubclassProc(bool before, bool& handled, QWidget* window, QEvent* event);
    void About();
    void Refresh();
    QString Version() const;
    qint32 Style() const { return m_style; }
    void setStyle(qint32 style);
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    const QImage& Icon() const { return m_icon; }
    void setIcon(const QImage& icon);
    qint32 IconAlign() const { return m_iconAlign; }
    void setIconAlign(qint32 align);
    qint16 IconSize() const { return m_iconSize; }
    void setIconSize(qint16 size);
    qint32 CaptionAlign() const { return m_captionAlign; }
    void setCaptionAlign(qint32 align);
    qint32 NonThemeStyle() const { return m_nonThemeStyle; }
    void setNonThemeStyle(qint32 style);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool ShowFocus() const { return m_showFocus; }
    void setShowFocus(bool show);
    bool UseCustomColors() const { return m_useCustomColors; }
    void setUseCustomColors(bool use);
    OleColor BackColor() const { return m_backColor; }
    void setBackColor(OleColor colour);
    OleColor HighlightColor() const { return m_highlightColor; }
    void setHighlightColor(OleColor colour);
    OleColor FontColor() const { return m_fontColor; }
    void setFontColor(OleColor colour);
    OleColor FontHighlightColor() const { return m_fontHighlightColor; }
    void setFontHighlightColor(OleColor colour);
    QString ToolTip() const { return m_toolTip; }
    void setToolTip(const QString& text);
    QString ToolTipTitle() const { return m_toolTipTitle; }
    void setToolTipTitle(const QString& title);
    qint32 ToolTipIcon() const { return m_toolTipIcon; }
    void setToolTipIcon(qint32 icon);
    qint32 ToolTipType() const { return m_toolTipType; }
    void setToolTipType(qint32 type);
    OleColor ToolTipBackColor() const { return m_toolTipBackColor; }
    void setToolTipBackColor(OleColor colour);
    OleColor ToolTipForeColor() const { return m_toolTipForeColor; }
    void setToolTipForeColor(OleColor colour);
    const StoredFont& Font() const { return m_font; }
    void setFont(const StoredFont& font);
    qint32 ButtonType() const { return m_buttonType; }
    void setButtonType(qint32 type);
    bool Value() const { return m_value; }
    void setValue(bool value);
    // Opens an http or https link in the desktop's browser; anything else opens nothing.
    // Returns kOpenLinkOpened or kOpenLinkFailed.
    qint32 OpenLink(const QString& link);

    // --- Host side ---

    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& bag);
    void UserControl_WriteProperties(PropertyBag& bag) const;
    // The layout step, run on every resize and by the setters that change the layout.
    void UserControl_Resize();

    bool UserMode() const { return m_userMode; }
    void setUserMode(bool running) { m_userMode = running; }
    QString hostToolTip() const { return QWidget::toolTip(); }
    void setHostToolTip(const QString& text) { QWidget::setToolTip(text); }

    // --- State, for the drawing and for inspection ---

    ButtonStates ButtonState() const { return m_buttonState; }
    bool HasFocus() const { return m_hasFocus; }
    bool MouseInside() const { return m_mouseInside; }
    int LastButton() const { return m_lastButton; }
    bool TrackMouseAvailable() const { return m_trackMouseAvailable; }
    int CaptionFormat() const { return m_captionFormat; }
    QRect ClientRect() const { return m_clientRect; }
    // The caption's box as edges: left(), top(), and right(), bottom() just outside it.
    QRect ContentRect() const { return m_contentRect; }
    ButtonTooltip* TooltipWindow() const { return m_tooltipWindow; }
    QWidget* AboutBox() const { return m_About; }
    // The surface the last repaint drew on.
    const ButtonCanvas& canvas() const { return m_canvas; }

Q_SIGNALS:
    void Click();
    void MouseEnter();
    void MouseLeave();
    // A stored property changed (the design environment then knows the bag needs saving).
    void PropertyChanged(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UserControl_MouseDown(int button);
    void UserControl_MouseUp(int button);
    void UserControl_Click();
    void UserControl_DblClick();
    void UserControl_KeyDown(int keyCode);
    void UserControl_KeyPress(int keyAscii);
    void UserControl_KeyUp(int keyCode);
    void UserControl_GotFocus();
    void UserControl_LostFocus();
    void UserControl_ExitFocus();
    void UserControl_Show();
    void UserControl_Hide();
    void UserControl_Terminate();

    // The stored properties, in the order they are written; ButtonProperties.cpp.
    static std::span<const ButtonProperty> storedProperties();
    template <typename T> static const ButtonProperty& propertyOf(T SkinButton::*member);
    // Stores a property's value, reports it and relays out or repaints, as its row says.
    template <typename T> void store(T SkinButton::*member, const T& value);

    ButtonStyle style() const { return static_cast<ButtonStyle>(m_style); }
    bool isToggle() const { return m_buttonType == kToggleButton; }
    void settleState();
    void ApplyRegion();
    void SubclassWindow(QWidget* window);
    void UnsubclassAll();
    void CreateTooltip();
    void drawButton();
    void drawThemed();
    void DrawCaption();
    void drawIcon();
    void applyDrawingFont();

    Shell& m_shell;
    ButtonTheme& m_theme;
    // The control's drawing surface and the colour it clears to, which the faces' background
    // steps and the disabled look change. The surface starts white.
    ButtonCanvas m_canvas;
    OleColor m_surfaceColor = 0x00FFFFFF;

    QImage m_icon;
    qint32 m_style = 0;
    QString m_caption;
    qint16 m_iconSize = 16;
    qint32 m_captionAlign = 0;
    qint32 m_iconAlign = 0;
    qint32 m_nonThemeStyle = 0;
    bool m_enabled = true;
    bool m_showFocus = false;
    bool m_useCustomColors = false;
    OleColor m_backColor = 0;
    OleColor m_highlightColor = 0;
    OleColor m_fontColor = 0;
    OleColor m_fontHighlightColor = 0;
    QString m_toolTip;
    QString m_toolTipTitle;
    qint32 m_toolTipIcon = 0;
    qint32 m_toolTipType = 0;
    OleColor m_toolTipBackColor = 0;
    OleColor m_toolTipForeColor = 0;
    StoredFont m_font;
    qint32 m_buttonType = 0;
    bool m_value = false;

    static constexpr qint32 kToggleButton = 1; // ButtonType; any other value is a push button

    ButtonStates m_buttonState = ButtonStates::Normal;
    bool m_hasFocus = false;
    bool m_mouseInside = false;
    int m_lastButton = 0;
    bool m_trackMouseAvailable = false;
    QPointer<ButtonTooltip> m_tooltipWindow;
    int m_captionFormat = 17; // centred with word wrap until the first layout
    QRect m_clientRect;
    QRect m_contentRect;
    QList<QPointer<QWidget>> m_subclassed;
    bool m_userMode = true;
    bool m_inLayout = false;
    bool m_afterDoubleClick = false;
    // Focus that came by keyboard gets a dotted mark over the face; a click's focus does not.
    bool m_keyboardFocus = false;

    QWidget* m_About;
    Qt::WindowFlags m_aboutWindowFlags;
};

} // namespace kelvane
