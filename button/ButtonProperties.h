#pragma once

#include "button/SkinButton.h"
#include "platform/PropertyBag.h"

#include <QStringView>

#include <optional>
#include <variant>

namespace kelvane {

// What a property's setter sets off once the value is stored and reported.
enum class PropertyEffect
{
    Relayout, // the layout step, which ends in a repaint
    Repaint
};

// One stored property of the button: where it lives, what its bag entry is called, and its
// three defaults. A default may depend on the button (the system's colours, the host's tooltip,
// the instance name), so each is a function; "no value" as a write default means the entry is
// always written.
struct ButtonProperty
{
    using Default = std::optional<PropertyBag::Value> (*)(const SkinButton&);
    using Member = std::variant<QImage SkinButton::*, qint32 SkinButton::*, qint16 SkinButton::*,
                                bool SkinButton::*, OleColor SkinButton::*, QString SkinButton::*,
                                StoredFont SkinButton::*>;

    QStringView bagName;
    QStringView reportedName; // what the setter reports as changed
    Member member;
    Default readDefault;
    Default writeDefault;
    Default newControl;
    PropertyEffect effect;
};

// The font a new control draws its caption with.
StoredFont buttonDesignFont();

} // namespace kelvane
