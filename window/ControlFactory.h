#pragma once

#include <value/ValueReference.h>
#include <window/Descriptor.h>
#include <window/StringPool.h>
#include <window/UseBinding.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Control creation dispatches on the record's type code through a table of factories, one slot
// per code. The program registers the kinds its windows use (codes 2, 8, 9, 10, 12, 13, 14, 17,
// 33, 34 and 39); a code whose slot is empty creates nothing. Menus, menu bars and windows are
// built by routines of their own.
//
// A factory makes a ControlSpec: everything a control takes from its record, with texts copied
// or pooled and the variable bound, so that it stands without the block. The window turns it
// into the options the platform makes the control from.

namespace window {

/// A font as a control keeps it.
struct FontSpec {
    std::string face;
    std::int32_t size = 0;
    std::uint32_t colour = kNoColour;
    std::int32_t weight = 0;

    bool operator==(const FontSpec&) const = default;
};

/// A use descriptor as a control keeps it.
struct UseSpec {
    std::uint8_t type = 0;
    std::int32_t size = 0;
    std::string picture;

    bool operator==(const UseSpec&) const = default;
};

/// What a control takes from its record.
struct ControlSpec {
    std::uint8_t kind = 0; ///< the record type code
    std::int32_t equate = 0;
    std::uint32_t attributes = 0;
    Position position;
    std::string text;
    std::optional<FontSpec> font;       ///< none: the container's or window's font
    std::optional<ColourBlock> colours; ///< none: the display's colours
    PooledText cursor;
    PooledText icon;
    PooledText message; ///< own, else the container's
    PooledText tip;     ///< a tip starting with "~" is replaced by the message
    PooledText help;    ///< own, else the container's
    std::int32_t key = 0;
    std::vector<std::int32_t> alertKeys;
    std::optional<UseSpec> use;
    std::optional<value::ValueReference> variable; ///< bound when a use list was given
    std::string picture;                           ///< the record's own picture, without "@"
    std::uint8_t options = 0; ///< the kind's option byte (button bit 0: the default button)
    std::int32_t action = 0;  ///< a button's standard action number
};

/// What building a control needs besides its record.
struct ControlContext {
    /// The window's use-variable list; null builds without binding (reading a descriptor
    /// alone), otherwise every control with a use descriptor takes the next variable.
    UseBinding* binding = nullptr;
    /// The container's texts, taken by a control that has none of its own.
    PooledText defaultMessage;
    PooledText defaultHelp;
    /// Where the kept texts go.
    StringPool* pool = &SharedTexts();
};

/// Builds a control from its record; empty when the record is malformed or its variable cannot
/// be bound (nothing is created).
using ControlFactory
    = std::optional<ControlSpec> (*)(const Record& record, ControlContext& context);

/// Stores the factory of a type code (null empties the slot). Registration happens during
/// start-up (the program's module initialisers) before any window is built; storing the same
/// factory again changes nothing.
void RegisterControlFactory(std::uint8_t type, ControlFactory factory);
/// The factory of a code, or null.
ControlFactory FindControlFactory(std::uint8_t type);
/// Empties every slot (tests).
void ClearControlFactories();

/// Builds the control of the record through its code's factory; empty when the slot is empty
/// or the record is malformed.
std::optional<ControlSpec> CreateControl(const Record& record, ControlContext& context);

/// Reads any control record whose kind has a layout (RecordLayout.h) into a ControlSpec: the
/// factory every registration below stores. Empty for a malformed record or an unknown kind. The
/// variable is bound last, once everything else has been read, so a malformed record takes
/// no address.
std::optional<ControlSpec> BuildControlSpec(const Record& record, ControlContext& context);

// The registration routines of the control kinds, one per code.

void RegisterStringControl();    ///< 2
void RegisterEntryControl();     ///< 8
void RegisterButtonControl();    ///< 9
void RegisterPromptControl();    ///< 10
void RegisterCheckControl();     ///< 12
void RegisterGroupControl();     ///< 13
void RegisterListControl();      ///< 14
void RegisterTextControl();      ///< 17
void RegisterDropComboControl(); ///< 33
void RegisterComboControl();     ///< 34
void RegisterGraphicControl();   ///< 39

} // namespace window
