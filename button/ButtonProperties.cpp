#include "button/ButtonProperties.h"

#include "button/ButtonColors.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace kelvane {

namespace {

using Value = PropertyBag::Value;
using Default = std::optional<Value>;

// --- Defaults ---

template <qint32 N> Default number(const SkinButton&)
{
    return Value(std::in_place_type<qint32>, N);
}
template <bool B> Default flag(const SkinButton&)
{
    return Value(std::in_place_type<bool>, B);
}
template <OleColor C> Default colour(const SkinButton&)
{
    return Value(std::in_place_type<OleColor>, C);
}
// The colour's current RGB value, not a reference to it.
template <int Index> Default systemColour(const SkinButton&)
{
    return Value(std::in_place_type<OleColor>, static_cast<OleColor>(SystemColorRGB(Index)));
}
Default emptyText(const SkinButton&)
{
    return Value(std::in_place_type<QString>);
}
Default ownName(const SkinButton&)
{
    return Value(std::in_place_type<QString>, u"SkinButton"_s);
}
Default instanceName(const SkinButton& button)
{
    return Value(std::in_place_type<QString>, button.objectName());
}
Default hostText(const SkinButton& button)
{
    return Value(std::in_place_type<QString>, button.hostToolTip());
}
Default noPicture(const SkinButton&)
{
    return Value(std::in_place_type<StoredPicture>);
}
Default currentFont(const SkinButton& button)
{
    return Value(std::in_place_type<StoredFont>, button.Font());
}
Default designFont(const SkinButton&)
{
    return Value(std::in_place_type<StoredFont>, buttonDesignFont());
}
Default alwaysWritten(const SkinButton&)
{
    return std::nullopt;
}

// --- Members to bag values and back ---

template <typename T> Value stored(const T& value)
{
    return Value(std::in_place_type<T>, value);
}
Value stored(qint16 value)
{
    return Value(std::in_place_type<qint32>, value);
}
Value stored(const QImage& image)
{
    return Value(std::in_place_type<StoredPicture>, StoredPicture::fromImage(image));
}

// False when the value does not fit the member.
template <typename T> bool restore(const Value& value, T& member)
{
    const T* typed = std::get_if<T>(&value);
    if (typed)
        member = *typed;
    return typed != nullptr;
}
bool restore(const Value& value, qint16& member)
{
    // A stored size beyond 16 bits would overflow the property.
    const qint32* number = std::get_if<qint32>(&value);
    if (!number || *number < std::numeric_limits<qint16>::min() ||
        *number > std::numeric_limits<qint16>::max())
        return false;
    member = static_cast<qint16>(*number);
    return true;
}
bool restore(const Value& value, QImage& member)
{
    const StoredPicture* picture = std::get_if<StoredPicture>(&value);
    if (picture)
        member = picture->toImage();
    return picture != nullptr;
}

// Reads an entry as the type of its default.
Value readEntry(const PropertyBag& bag, const QString& name, const Value& fallback)
{
    return std::visit(
        [&](const auto& value) -> Value {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, qint32>)
                return stored(bag.readInt(name, value));
            else if constexpr (std::is_same_v<T, bool>)
                return stored(bag.readBool(name, value));
            else if constexpr (std::is_same_v<T, QString>)
                return stored(bag.readText(name, value));
            else if constexpr (std::is_same_v<T, OleColor>)
                return stored(bag.readColour(name, value));
            else if constexpr (std::is_same_v<T, StoredPicture>)
                return stored(bag.readPicture(name, value));
            else
                return stored(bag.readFont(name, value));
        },
        fallback);
}

void writeEntry(PropertyBag& bag, const QString& name, const Value& value,
                const Default& writeDefault)
{
    std::visit(
        [&](const auto& typed) {
            using T = std::decay_t<decltype(typed)>;
            std::optional<T> unwritten;
            if (writeDefault)
                unwritten = std::get<T>(*writeDefault);
            if constexpr (std::is_same_v<T, qint32>)
                bag.writeInt(name, typed, unwritten);
            else if constexpr (std::is_same_v<T, bool>)
                bag.writeBool(name, typed, unwritten);
            else if constexpr (std::is_same_v<T, QString>)
                bag.writeText(name, typed, unwritten);
            else if constexpr (std::is_same_v<T, OleColor>)
                bag.writeColour(name, typed, unwritten);
            else if constexpr (std::is_same_v<T, StoredPicture>)
                bag.writePicture(name, typed, unwritten);
            else
                bag.writeFont(name, typed, unwritten);
        },
        value);
}

} // namespace

StoredFont buttonDesignFont()
{
    return StoredFont{u"Verdana"_s, 8.25, 400, 0};
}

std::span<const ButtonProperty> SkinButton::storedProperties()
{
    using enum PropertyEffect;
    using S = SkinButton;
    // The bag's names keep their stored spelling; the tooltip colours' defaults are crossed
    // (the background defaults to the tooltip text colour and the other way round).
    static const ButtonProperty table[] = {
        {u"Icon", u"Icon", &S::m_icon, noPicture, alwaysWritten, noPicture, Relayout},
        {u"Style", u"Style", &S::m_style, number<3>, number<3>, number<0>, Relayout},
        {u"Caption", u"Caption", &S::m_caption, ownName, emptyText, instanceName, Relayout},
        {u"IconSize", u"IconSize", &S::m_iconSize, number<16>, number<16>, number<16>, Relayout},
        {u"IconAlign", u"IconAlign", &S::m_iconAlign, number<1>, number<0>, number<0>, Relayout},
        {u"CaptionAlign", u"CaptionAlign", &S::m_captionAlign, number<0>, number<0>, number<0>,
         Relayout},
        {u"iNonThemeStyle", u"NonThemeStyle", &S::m_nonThemeStyle, number<5>, number<5>, number<0>,
         Relayout},
        {u"Enabled", u"Enabled", &S::m_enabled, flag<true>, flag<true>, flag<true>, Repaint},
        {u"ShowFocus", u"ShowFocus", &S::m_showFocus, flag<false>, flag<false>, flag<false>,
         Repaint},
        {u"USeCustomColors", u"UseCustomColors", &S::m_useCustomColors, flag<false>, flag<false>,
         flag<false>, Repaint},
        {u"BackColor", u"BackColor", &S::m_backColor, systemColour<kColorButtonFace>,
         systemColour<kColorButtonFace>, systemColour<kColorButtonFace>, Repaint},
        {u"HighlightColor", u"HighlightColor", &S::m_highlightColor, systemColour<kColorHighlight>,
         systemColour<kColorHighlight>, systemColour<kColorHighlight>, Repaint},
        {u"FontColor", u"FontColor", &S::m_fontColor, systemColour<kColorButtonText>,
         systemColour<kColorButtonText>, systemColour<kColorButtonText>, Repaint},
        {u"FontHighlightColor", u"FontHighlightColor", &S::m_fontHighlightColor,
         systemColour<kColorButtonText>, systemColour<kColorButtonText>,
         systemColour<kColorButtonText>, Repaint},
        {u"ToolTipText", u"ToolTipText", &S::m_toolTip, hostText, hostText, emptyText, Repaint},
        {u"Tooltiptitle", u"TooltipTitle", &S::m_toolTipTitle, emptyText, alwaysWritten, emptyText,
         Repaint},
        {u"ToolTipIcon", u"TooltipIcon", &S::m_toolTipIcon, number<0>, alwaysWritten, number<0>,
         Repaint},
        {u"ToolTipType", u"ToolTipType", &S::m_toolTipType, number<1>, alwaysWritten, number<0>,
         Repaint},
        {u"ttBackColor", u"ToolTipBackColor", &S::m_toolTipBackColor, systemColour<kColorInfoText>,
         systemColour<kColorInfoText>, colour<0>, Repaint},
        {u"ttForeColor", u"ToolTipForeColor", &S::m_toolTipForeColor,
         systemColour<kColorInfoBackground>, systemColour<kColorInfoBackground>, colour<0>,
         Repaint},
        {u"Font", u"Font", &S::m_font, currentFont, alwaysWritten, designFont, Repaint},
        {u"ButtonType", u"ButtonType", &S::m_buttonType, number<0>, number<0>, number<0>, Repaint},
        {u"Value", u"Value", &S::m_value, flag<false>, flag<false>, flag<false>, Repaint},
    };
    return table;
}

template <typename T> const ButtonProperty& SkinButton::propertyOf(T SkinButton::*member)
{
    for (const ButtonProperty& property : storedProperties()) {
        const auto* candidate = std::get_if<T SkinButton::*>(&property.member);
        if (candidate && *candidate == member)
            return property;
    }
    Q_UNREACHABLE();
}

template <typename T> void SkinButton::store(T SkinButton::*member, const T& value)
{
    this->*member = value;
    const ButtonProperty& property = propertyOf(member);
    Q_EMIT PropertyChanged(property.reportedName.toString());
    if (property.effect == PropertyEffect::Relayout)
        UserControl_Resize();
    else
        Refresh();
}

// --- Setters ---

void SkinButton::setStyle(qint32 style)
{
    store(&SkinButton::m_style, style);
}
void SkinButton::setCaption(const QString& caption)
{
    store(&SkinButton::m_caption, caption);
}
void SkinButton::setIcon(const QImage& icon)
{
    store(&SkinButton::m_icon, icon);
}
void SkinButton::setIconAlign(qint32 align)
{
    store(&SkinButton::m_iconAlign, align);
}
void SkinButton::setIconSize(qint16 size)
{
    store(&SkinButton::m_iconSize, size);
}
void SkinButton::setCaptionAlign(qint32 align)
{
    store(&SkinButton::m_captionAlign, align);
}
void SkinButton::setNonThemeStyle(qint32 style)
{
    store(&SkinButton::m_nonThemeStyle, style);
}
void SkinButton::setShowFocus(bool show)
{
    store(&SkinButton::m_showFocus, show);
}
void SkinButton::setUseCustomColors(bool use)
{
    store(&SkinButton::m_useCustomColors, use);
}
void SkinButton::setBackColor(OleColor colour)
{
    store(&SkinButton::m_backColor, colour);
}
void SkinButton::setHighlightColor(OleColor colour)
{
    store(&SkinButton::m_highlightColor, colour);
}
void SkinButton::setFontColor(OleColor colour)
{
    store(&SkinButton::m_fontColor, colour);
}
void SkinButton::setFontHighlightColor(OleColor colour)
{
    store(&SkinButton::m_fontHighlightColor, colour);
}
void SkinButton::setToolTip(const QString& text)
{
    store(&SkinButton::m_toolTip, text);
}
void SkinButton::setToolTipTitle(const QString& title)
{
    store(&SkinButton::m_toolTipTitle, title);
}
void SkinButton::setToolTipIcon(qint32 icon)
{
    store(&SkinButton::m_toolTipIcon, icon);
}
void SkinButton::setToolTipType(qint32 type)
{
    store(&SkinButton::m_toolTipType, type);
}
void SkinButton::setToolTipBackColor(OleColor colour)
{
    store(&SkinButton::m_toolTipBackColor, colour);
}
void SkinButton::setToolTipForeColor(OleColor colour)
{
    store(&SkinButton::m_toolTipForeColor, colour);
}
void SkinButton::setButtonType(qint32 type)
{
    store(&SkinButton::m_buttonType, type);
}
void SkinButton::setValue(bool value)
{
    store(&SkinButton::m_value, value);
}

// The two setters with steps of their own.

void SkinButton::setEnabled(bool enabled)
{
    m_buttonState = ButtonStates::Normal;
    m_enabled = enabled;
    Refresh();
    Q_EMIT PropertyChanged(propertyOf(&SkinButton::m_enabled).reportedName.toString());
    // Last, so that a disabled button receives no mouse or keyboard input at all.
    QWidget::setEnabled(enabled);
}

void SkinButton::setFont(const StoredFont& font)
{
    m_font = font;
    applyDrawingFont();
    Refresh();
    Q_EMIT PropertyChanged(propertyOf(&SkinButton::m_font).reportedName.toString());
}

// --- Bag ---

void SkinButton::UserControl_InitProperties()
{
    for (const ButtonProperty& property : storedProperties()) {
        const PropertyBag::Value value = *property.newControl(*this);
        std::visit([&](auto member) { restore(value, this->*member); }, property.member);
    }
    applyDrawingFont();
    QWidget::setEnabled(m_enabled);
    m_aboutWindowFlags = m_About->windowFlags();
}

void SkinButton::UserControl_ReadProperties(const PropertyBag& bag)
{
    m_buttonState = ButtonStates::Normal;
    // In the written order; no entry's default depends on another entry read before it.
    for (const ButtonProperty& property : storedProperties()) {
        const PropertyBag::Value fallback = *property.readDefault(*this);
        const PropertyBag::Value value = readEntry(bag, property.bagName.toString(), fallback);
        std::visit(
            [&](auto member) {
                if (!restore(value, this->*member))
                    restore(fallback, this->*member);
            },
            property.member);
    }
    applyDrawingFont();
    // A button stored disabled must not take input either.
    QWidget::setEnabled(m_enabled);

    if (m_userMode) {
        // Qt always tells a widget that the pointer left it, so hover tracking always works.
        m_trackMouseAvailable = true;
        SubclassWindow(this);
    }
}

void SkinButton::UserControl_WriteProperties(PropertyBag& bag) const
{
    for (const ButtonProperty& property : storedProperties()) {
        std::visit(
            [&](auto member) {
                writeEntry(bag, property.bagName.toString(), stored(this->*member),
                           property.writeDefault(*this));
            },
            property.member);
    }
}

} // namespace kelvane
