#include "ControlFactory.h"

#include <array>

namespace window {

namespace {

/// One slot per type code. Written during start-up only, read while windows are built.
std::array<ControlFactory, 256> g_factories {};

/// Reads the optional sub-block whose reference is at `field`: true with `out` left empty for
/// a reference of 0 (or a kind without the field), false for a malformed one.
template<typename T, typename Read>
bool ReadOptional(const Record& record, std::uint32_t field, std::optional<T>& out, Read read)
{
    if (field == 0)
        return true;
    const auto reference = record.I32(field);
    if (!reference)
        return false;
    if (*reference == 0)
        return true;
    const auto block = read(record.Block(), *reference);
    if (!block)
        return false;
    out = *block;
    return true;
}

/// The string at `field`, empty for a kind without the field; false when malformed.
bool ReadText(const Record& record, std::uint32_t field, std::string_view& out)
{
    if (field == 0)
        return true;
    const auto text = record.String(field);
    if (!text)
        return false;
    out = *text;
    return true;
}

bool ReadHelp(
    const Record& record, std::uint32_t field, ControlSpec& built, ControlContext& context)
{
    std::string_view message;
    std::string_view tip;
    std::string_view help;
    if (field != 0) {
        const auto block = record.HelpAt(field);
        if (!block)
            return false;
        const auto alertKeys = record.Block().ReadValueList(block->alertList);
        if (!alertKeys)
            return false;
        message = block->message;
        tip = block->tip;
        help = block->help;
        built.key = block->key;
        built.alertKeys = *alertKeys;
    }
    built.message = message.empty() ? context.defaultMessage : context.pool->Intern(message);
    built.help = help.empty() ? context.defaultHelp : context.pool->Intern(help);
    built.tip = tip.starts_with('~') && !built.message.Empty() ? built.message
                                                               : context.pool->Intern(tip);
    return true;
}

} // namespace

void RegisterControlFactory(std::uint8_t type, ControlFactory factory)
{
    g_factories[type] = factory;
}

ControlFactory FindControlFactory(std::uint8_t type)
{
    return g_factories[type];
}

void ClearControlFactories()
{
    g_factories.fill(nullptr);
}

std::optional<ControlSpec> CreateControl(const Record& record, ControlContext& context)
{
    const ControlFactory factory = FindControlFactory(record.Type());
    if (factory == nullptr)
        return std::nullopt;
    return factory(record, context);
}

std::optional<ControlSpec> BuildControlSpec(const Record& record, ControlContext& context)
{
    const ControlLayout* layout = FindControlLayout(record.Type());
    if (layout == nullptr)
        return std::nullopt;
    ControlSpec built;
    built.kind = record.Type();
    built.equate = record.Equate();
    built.attributes = record.Attributes();

    const auto position = record.PositionAt(layout->position);
    std::string_view text;
    std::string_view cursor;
    std::string_view icon;
    std::string_view picture;
    std::optional<FontBlock> font;
    std::optional<UseDescriptor> use;
    const auto options
        = layout->options != 0 ? record.U8(layout->options) : std::optional<std::uint8_t>(0);
    const auto action
        = layout->action != 0 ? record.I32(layout->action) : std::optional<std::int32_t>(0);
    const bool sound = position && options && action && ReadText(record, layout->text, text)
        && ReadText(record, layout->cursor, cursor) && ReadText(record, layout->icon, icon)
        && ReadText(record, layout->picture, picture)
        && ReadOptional(record, layout->font, font,
            [](const DescriptorBlock& block, std::int32_t at) { return block.ReadFont(at); })
        && ReadOptional(record, layout->colours, built.colours,
            [](const DescriptorBlock& block, std::int32_t at) { return block.ReadColours(at); })
        && ReadOptional(record, layout->use, use,
            [](const DescriptorBlock& block, std::int32_t at) { return block.ReadUse(at); })
        && ReadHelp(record, layout->help, built, context);
    if (!sound)
        return std::nullopt;

    built.position = *position;
    built.options = *options;
    built.action = *action;
    built.text = text;
    built.cursor = context.pool->Intern(cursor);
    built.icon = context.pool->Intern(icon);
    built.picture = picture;
    if (font)
        built.font = FontSpec { std::string(font->face), font->size, font->colour, font->weight };
    if (use) {
        built.use = UseSpec { use->type, use->size, std::string(use->picture) };
        if (context.binding != nullptr) {
            built.variable = context.binding->Bind(*use);
            if (!built.variable)
                return std::nullopt;
        }
    }
    return built;
}

void RegisterStringControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::String), &BuildControlSpec);
}

void RegisterEntryControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Entry), &BuildControlSpec);
}

void RegisterButtonControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Button), &BuildControlSpec);
}

void RegisterPromptControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Prompt), &BuildControlSpec);
}

void RegisterCheckControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Check), &BuildControlSpec);
}

void RegisterGroupControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Group), &BuildControlSpec);
}

void RegisterListControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::List), &BuildControlSpec);
}

void RegisterTextControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Text), &BuildControlSpec);
}

void RegisterDropComboControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::DropCombo), &BuildControlSpec);
}

void RegisterComboControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Combo), &BuildControlSpec);
}

void RegisterGraphicControl()
{
    RegisterControlFactory(static_cast<std::uint8_t>(RecordType::Graphic), &BuildControlSpec);
}

} // namespace window
