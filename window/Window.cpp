#include <value/Decimal.h>
#include <value/Picture.h>
#include <value/StringStack.h>
#include <window/Descriptor.h>
#include <window/Engine.h>
#include <window/EventCodes.h>
#include <window/Window.h>

#include <algorithm>
#include <atomic>
#include <map>

namespace window {

namespace {

std::atomic<bool> g_singleWindow { false };

// Control attribute bits.
constexpr std::uint32_t kSkip = 0x20;       ///< not in the tab order
constexpr std::uint32_t kDisabled = 0x40;   ///< the control and everything inside it
constexpr std::uint32_t kHidden = 0x400;    ///< the control and everything inside it
constexpr std::uint32_t kNoBorder = 0x1000; ///< an entry without its border
constexpr std::uint32_t kAlignMask = 0x1C;
constexpr std::uint32_t kCentred = 0x10;
constexpr std::uint32_t kRight = 0x08;

// Option bits of the records' option byte.
constexpr std::uint8_t kEntryReadOnly = 0x80;   ///< an entry shows its variable, takes no edits
constexpr std::uint8_t kButtonIsDefault = 0x01; ///< the button Enter presses

// A control whose record leaves its size out is as large as its text, with room around it
// (dialog units): a button for its face, an input for its border, and an input is never
// narrower than a few characters.
constexpr std::int32_t kButtonPaddingX = 8;
constexpr std::int32_t kButtonPaddingY = 6;
constexpr std::int32_t kInputPaddingY = 4;
constexpr std::int32_t kInputMinimumWidth = 40;
/// The width a text is measured in when nothing wraps it.
constexpr std::int32_t kUnboundedWidth = 0x7FFF;

// Frame bits of the window record.
constexpr std::uint32_t kFrameKindMask = 0x60;
constexpr std::uint32_t kFrameResizable = 0x20;
constexpr std::uint32_t kFrameMaximiseBox = 0x800;
constexpr std::uint32_t kFrameSystemMenu = 0x1000;
constexpr std::uint32_t kFrameMaximised = 0x4000; ///< opens maximised
constexpr std::uint32_t kFrameMinimised = 0x8000; ///< opens iconised

/// The font windows take when their record names none.
platform::Font SystemDefaultFont()
{
    platform::Font font;
    font.face = "MS Sans Serif";
    font.pointSize = 8;
    font.weight = 400;
    return font;
}

platform::ControlKind PlatformKind(std::uint8_t type)
{
    switch (static_cast<RecordType>(type)) {
    case RecordType::Entry:
        return platform::ControlKind::Edit;
    case RecordType::Button:
        return platform::ControlKind::Button;
    case RecordType::Check:
        return platform::ControlKind::CheckBox;
    case RecordType::Group:
        return platform::ControlKind::GroupBox;
    case RecordType::List:
        return platform::ControlKind::List;
    case RecordType::Text:
        return platform::ControlKind::MultiLineEdit;
    case RecordType::DropCombo:
        return platform::ControlKind::DropList;
    case RecordType::Combo:
        return platform::ControlKind::Combo;
    default:
        return platform::ControlKind::Static; // string, prompt, graphic
    }
}

bool Edits(platform::ControlKind kind)
{
    return kind == platform::ControlKind::Edit || kind == platform::ControlKind::MultiLineEdit
        || kind == platform::ControlKind::Combo;
}

/// The picture an entry shows its variable through: its own, else its use descriptor's; null
/// when it has neither.
std::shared_ptr<const EntryPicture> MakeEntryPicture(const ControlSpec& declared)
{
    const std::string& text = !declared.picture.empty() ? declared.picture
        : declared.use                                  ? declared.use->picture
                                                        : declared.picture;
    if (text.empty())
        return nullptr;
    auto picture = std::make_shared<EntryPicture>();
    picture->text = text;
    value::CompilePicture(picture->compiled, picture->text.c_str());
    return picture;
}

/// The variable's value as text.
std::string ReadVariable(const value::ValueReference& variable)
{
    variable.Push();
    std::string text(value::StackTop().View());
    value::Drop();
    return text;
}

void WriteVariable(const value::ValueReference& variable, std::string_view text)
{
    value::PushString(text);
    variable.Pop();
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view {} : text.substr(0, end + 1);
}

/// The text a control shows for its variable's `value`: through the entry's picture when it has
/// one (an invalid picture shows nothing), else the value as it is, cut at the control's limit.
/// Trailing blanks are not shown, so the caret lands after the text.
std::string ShownText(const WindowControl& control, const std::string& value)
{
    if (!control.picture) {
        std::string text(TrimTrailingBlanks(value));
        if (control.maxLength != 0 && text.size() > control.maxLength)
            text.resize(control.maxLength);
        return text;
    }
    std::array<char, value::kStringPictureWidth> formatted;
    const std::size_t length
        = value::FormatValueText(control.picture->compiled, value, formatted.data());
    return std::string(TrimTrailingBlanks(std::string_view(formatted.data(), length)));
}

/// Whether typed text reaches the variable through the entry's picture. A string picture and
/// an invalid one (width 0) take the text as typed: reading text back through a string picture
/// keeps only what makes a number, which would lose what the user typed.
bool ReadsThroughPicture(const WindowControl& control)
{
    return control.picture && control.picture->compiled.width != 0
        && control.picture->compiled.kind != value::PictureKind::String;
}

/// Whether the numeric picture has an implied decimal point: its digits then carry the places
/// by position alone, so only the positions can read them.
bool HasImpliedPoint(const value::CompiledPicture& picture)
{
    const auto* end = picture.positions + picture.width;
    return std::any_of(picture.positions, end, [](const value::PicturePosition& position) {
        return position.role == value::PictureRole::ImpliedDecimalPoint;
    });
}

/// A number typed into a numeric entry, read as the user means it rather than position by
/// position: someone who clears an @N9 entry and types "42" means 42, not the 4 its first
/// positions would read. The picture's grouping characters, its currency text and blanks are
/// skipped wherever they stand, its decimal character is the decimal point, and a "-" or "("
/// anywhere makes the number negative. The value is rounded to the picture's places, as the
/// entry then shows it.
std::string TypedNumber(const value::CompiledPicture& picture, std::string_view typed)
{
    char decimal = '.';
    std::string skipped = " ";
    for (std::size_t i = 0; i < picture.width; ++i) {
        const value::PicturePosition& position = picture.positions[i];
        if (position.role == value::PictureRole::DecimalPoint)
            decimal = position.character;
        else if (position.role == value::PictureRole::Grouping
            || position.role == value::PictureRole::Currency)
            skipped += position.character;
    }
    std::string plain;
    bool negative = false;
    bool point = false;
    for (const char c : typed) {
        if (c >= '0' && c <= '9') {
            plain += c;
        } else if (c == decimal && !point) {
            plain += '.';
            point = true;
        } else if (c == '-' || c == '(') {
            negative = true;
        } else if (skipped.find(c) == std::string::npos && c != ')' && c != '+') {
            break; // anything else ends the number
        }
    }
    if (negative)
        plain.insert(plain.begin(), '-');
    value::PushTextDecimal(plain.c_str());
    value::RoundDecimal(value::TopDecimal(), picture.places);
    std::array<char, value::kDecimalTextCapacity> text;
    const int length = value::DecimalToText(value::TopDecimal(), text.data());
    value::DropDecimal();
    return std::string(text.data(), static_cast<std::size_t>(length));
}

/// The plain value of what was typed into an entry with a picture: numbers as the user means
/// them (TypedNumber), everything else through the picture's positions, as DEFORMAT reads.
std::string DeformattedText(const value::CompiledPicture& picture, std::string_view typed)
{
    if (picture.kind == value::PictureKind::Numeric && !HasImpliedPoint(picture))
        return TypedNumber(picture, typed);
    std::array<char, value::kStringPictureWidth> plain;
    return std::string(plain.data(), value::DeformatText(picture, typed, plain.data()));
}

/// A check box's or check item's variable ticks it unless it is blank or a number equal to 0.
bool IsTrue(const value::ValueReference& variable)
{
    const std::string text = ReadVariable(variable);
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return false;
    const std::string_view value = TrimTrailingBlanks(std::string_view(text).substr(first));
    const bool zero = value.find_first_not_of("+-0.") == std::string_view::npos
        && value.find('0') != std::string_view::npos;
    return !zero;
}

platform::Font ControlFont(const std::optional<FontSpec>& own, const platform::Font& window)
{
    platform::Font font = window;
    if (!own)
        return font;
    if (!own->face.empty())
        font.face = own->face;
    if (own->size != 0)
        font.pointSize = own->size;
    if (own->weight != 0)
        font.weight = own->weight;
    return font;
}

/// True for the controls a user types into or chooses in: they are named by their label.
bool IsInput(platform::ControlKind kind)
{
    return Edits(kind) || kind == platform::ControlKind::List
        || kind == platform::ControlKind::DropList;
}

bool IsLabel(const ControlSpec& declared)
{
    return declared.kind == static_cast<std::uint8_t>(RecordType::String)
        || declared.kind == static_cast<std::uint8_t>(RecordType::Prompt);
}

/// A caption as it reads aloud: without its mnemonic marks ("&&" is an "&") and trailing
/// blanks.
std::string SpokenText(std::string_view caption)
{
    std::string spoken;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            spoken.push_back(caption[i]);
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            spoken.push_back('&');
            ++i;
        }
    }
    return std::string(TrimTrailingBlanks(spoken));
}

/// The label of an input placed at `input` among `controls` (made[i] is where controls[i]
/// stands): the nearest string or prompt with text that stands above it and overlaps it
/// horizontally, else the nearest one to its left that overlaps it vertically. A label counts
/// as above when its middle is above the input's top edge. Answers an index, or nothing.
std::optional<std::size_t> LabelOf(const platform::Rect& input,
    const std::vector<WindowControl>& controls, const std::vector<platform::ControlOptions>& made)
{
    std::optional<std::size_t> above;
    std::optional<std::size_t> left;
    std::int32_t aboveGap = 0;
    std::int32_t leftGap = 0;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (!IsLabel(controls[i].declared) || SpokenText(controls[i].declared.text).empty())
            continue;
        const platform::Rect& label = made[i].rect;
        const bool overlapsAcross
            = label.x < input.x + input.width && input.x < label.x + label.width;
        const bool overlapsDown
            = label.y < input.y + input.height && input.y < label.y + label.height;
        if (overlapsAcross && label.y + label.height / 2 < input.y) {
            const std::int32_t gap = input.y - (label.y + label.height);
            if (!above || gap < aboveGap) {
                above = i;
                aboveGap = gap;
            }
        } else if (overlapsDown && label.x + label.width <= input.x) {
            const std::int32_t gap = input.x - (label.x + label.width);
            if (!left || gap < leftGap) {
                left = i;
                leftGap = gap;
            }
        }
    }
    return above ? above : left;
}

/// Names each input after its label, so that assistive technology says what it is for; a
/// button, check box or text is named by its own caption already.
void NameInputs(
    const std::vector<WindowControl>& controls, std::vector<platform::ControlOptions>& made)
{
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (!IsInput(controls[i].kind))
            continue;
        if (const auto label = LabelOf(made[i].rect, controls, made))
            made[i].accessibleName = SpokenText(controls[*label].declared.text);
    }
}

/// The font the window record names, each part it leaves out taken from the system's default
/// font; nothing when the record's font block is malformed.
std::optional<platform::Font> WindowFont(const Record& window)
{
    platform::Font font = SystemDefaultFont();
    const std::int32_t fontRef = window.I32(layout::kWindowFont).value_or(0);
    if (fontRef == 0)
        return font;
    const auto own = window.Block().ReadFont(fontRef);
    if (!own)
        return std::nullopt;
    if (!own->face.empty())
        font.face = std::string(own->face);
    if (own->size != 0)
        font.pointSize = own->size;
    if (own->weight != 0)
        font.weight = own->weight;
    return font;
}

/// A menu or item of the menu bar as it is read, before menus are given their entries.
struct MenuNode {
    std::int32_t offset = 0;
    std::int32_t container = 0; ///< the menu it stands in; the bar's offset for the bar's own
    bool isMenu = false;
    platform::MenuItem item;
};

/// The entry of a menu or item record: its text, id, separator and state. Whether it can be
/// checked is the caller's (it binds a variable).
platform::MenuItem MenuEntry(const Record& item)
{
    platform::MenuItem entry;
    const std::uint32_t attributes = item.Attributes();
    entry.text = std::string(item.String(layout::kMenuText).value_or(""));
    entry.id = static_cast<std::uint32_t>(item.Equate()) + kControlIdOffset;
    entry.separator = (attributes & layout::kItemSeparator) != 0
        || (item.Is(RecordType::Item) && entry.text.empty());
    entry.enabled = (attributes & layout::kItemDisabled) == 0;
    entry.rightJustified = (attributes & layout::kItemRight) != 0;
    return entry;
}

/// The entries of the menu at `container` (the bar's offset: the bar's own) in declaration
/// order, each menu among them holding its own. The walk that made the nodes reached no record
/// twice, so this ends.
std::vector<platform::MenuItem> MenuItemsIn(
    const std::vector<MenuNode>& nodes, std::int32_t container)
{
    std::vector<platform::MenuItem> items;
    for (const MenuNode& node : nodes) {
        if (node.container != container)
            continue;
        items.push_back(node.item);
        if (node.isMenu)
            items.back().items = MenuItemsIn(nodes, node.offset);
    }
    return items;
}

/// A group box as the controls inside it see it: where it stands and what they inherit.
struct ContainerState {
    std::int32_t equate = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool disabled = false;
    bool hidden = false;
    PooledText message;
    PooledText help;
};

/// An input's picture and its limit in bytes: the picture's width, else its variable's size
/// (a text box always takes its variable's size). An entry without a use descriptor is given a
/// variable of its own, a string of 255.
void LimitInput(WindowControl& built, ControlSpec& declared)
{
    if (Edits(built.kind) && declared.variable) {
        if (built.kind != platform::ControlKind::MultiLineEdit)
            built.picture = MakeEntryPicture(declared);
        std::uint32_t limit = built.picture ? built.picture->compiled.width : 0;
        if (limit == 0)
            limit = declared.variable->Size();
        built.maxLength = limit;
    } else if (built.kind == platform::ControlKind::Edit && !declared.use) {
        built.privateValue = std::make_shared<std::array<char, kPrivateValueSize>>();
        built.privateValue->fill(' ');
        declared.variable = value::ValueReference::Make(
            value::TypeCode::String, built.privateValue->data(), kPrivateValueSize);
        built.maxLength = kPrivateValueSize;
    }
}

/// How the platform makes the control: its state (a group box's disabled or hidden state
/// passes to the controls inside it), border, alignment, font, colours, text and limit. The
/// place is the caller's.
platform::ControlOptions ControlOptionsOf(const ControlSpec& declared, const WindowControl& built,
    const ContainerState* container, const platform::Font& windowFont)
{
    platform::ControlOptions made;
    made.kind = built.kind;
    const std::uint32_t attributes = declared.attributes;
    made.enabled = (attributes & kDisabled) == 0 && !(container && container->disabled);
    made.visible = (attributes & kHidden) == 0 && !(container && container->hidden);
    made.tabStop = (attributes & kSkip) == 0 && built.kind != platform::ControlKind::Static
        && built.kind != platform::ControlKind::GroupBox;
    made.border = (attributes & kNoBorder) == 0;
    if (IsLabel(declared)) {
        const std::uint32_t align = attributes & kAlignMask;
        made.alignment = (align & kCentred) != 0 ? platform::Alignment::Centre
            : (align & kRight) != 0              ? platform::Alignment::Right
                                                 : platform::Alignment::Left;
    }
    made.defaultButton = declared.kind == static_cast<std::uint8_t>(RecordType::Button)
        && (declared.options & kButtonIsDefault) != 0;
    made.font = ControlFont(declared.font, windowFont);
    if (declared.font && declared.font->colour != kNoColour)
        made.textColour = declared.font->colour;
    if (declared.colours) {
        if (declared.colours->text != kNoColour)
            made.textColour = declared.colours->text;
        made.backgroundColour = declared.colours->background;
    }
    made.text = declared.text;
    made.maxLength = built.maxLength;
    made.readOnly = declared.kind == static_cast<std::uint8_t>(RecordType::Entry)
        && (declared.options & kEntryReadOnly) != 0;
    return made;
}

/// Where a control stands, in pixels: its dialog units converted inside its container (null:
/// the window), a size not given taken from its text as the control shows it.
platform::Rect PlaceControl(const DialogUnits& units, const Position& at,
    const platform::ControlOptions& made, const ContainerState* container)
{
    platform::Rect rect;
    rect.x = (container ? container->x : 0) + (at.x == kNotGiven ? 0 : units.X(at.x));
    rect.y = (container ? container->y : 0) + (at.y == kNotGiven ? 0 : units.Y(at.y));
    if (at.width != kNotGiven && at.height != kNotGiven) {
        rect.width = units.X(at.width);
        rect.height = units.Y(at.height);
        return rect;
    }
    const platform::Size natural = platform::MeasureText(made.font, made.text, kUnboundedWidth);
    std::int32_t width = natural.width;
    std::int32_t height = natural.height;
    if (made.kind == platform::ControlKind::Button) {
        width += units.X(kButtonPaddingX);
        height += units.Y(kButtonPaddingY);
    } else if (made.kind != platform::ControlKind::Static) {
        width = std::max(width, units.X(kInputMinimumWidth));
        height += units.Y(kInputPaddingY);
    }
    rect.width = at.width == kNotGiven ? width : units.X(at.width);
    rect.height = at.height == kNotGiven ? height : units.Y(at.height);
    return rect;
}

platform::WindowOptions OptionsOfKind(platform::WindowKind kind)
{
    platform::WindowOptions options;
    options.kind = kind;
    return options;
}

} // namespace

void RegisterControlKinds()
{
    RegisterStringControl();
    RegisterEntryControl();
    RegisterButtonControl();
    RegisterPromptControl();
    RegisterCheckControl();
    RegisterGroupControl();
    RegisterListControl();
    RegisterTextControl();
    RegisterDropComboControl();
    RegisterComboControl();
    RegisterGraphicControl();
}

void SetSingleWindowMode(bool single)
{
    g_singleWindow = single;
}

bool SingleWindowMode()
{
    return g_singleWindow;
}

Window::Window(platform::WindowKind kind, std::string moduleName, std::string windowName,
    std::vector<void*> variables)
    : DisplayWindow(OptionsOfKind(SingleWindowMode() ? platform::WindowKind::Plain : kind))
    , m_moduleName(std::move(moduleName))
    , m_windowName(std::move(windowName))
    , m_variables(std::move(variables))
{
}

Window::~Window()
{
    if (IsOpen())
        CloseWindow(*this);
}

bool Window::Open()
{
    WindowObject* owner = nullptr;
    if (Kind() == platform::WindowKind::Plain) {
        owner = CurrentWindow();
        if (owner == nullptr)
            owner = ApplicationFrame();
    }
    m_openingOwner = owner;
    const bool opened = OpenWindow(*this, owner);
    m_openingOwner = nullptr;
    return opened;
}

bool Window::CreatePlatformWindow()
{
    if (!Build())
        return false;
    if (!DisplayWindow::CreatePlatformWindow())
        return false;
    if (!m_menus.empty())
        platform::SetMenuBar(m_handle, m_menus);
    // A menu with the window-list action lists the frame's MDI children.
    if (Kind() == platform::WindowKind::Frame) {
        for (const auto& [equate, number] : m_menuActions) {
            if (number == action::kWindowList)
                platform::SetWindowListMenu(
                    m_handle, static_cast<std::uint32_t>(equate) + kControlIdOffset);
        }
    }
    if (!m_statusZones.empty())
        platform::SetStatusBar(m_handle, m_statusZones);
    for (const auto& [equate, action] : m_menuActions)
        AddControl(equate, 0);
    Refresh();
    FocusFirstControl();
    return true;
}

void Window::FocusFirstControl()
{
    // As a dialog of the system opens, the keyboard starts on its first control that takes
    // the focus (in declaration order, as Tab goes).
    for (const WindowControl& control : m_controls) {
        const platform::WindowHandle handle = ControlHandle(control.declared.equate);
        if (handle == 0)
            continue;
        if (platform::IsTabStop(handle)) {
            platform::SetFocus(handle);
            return;
        }
    }
}

void Window::GiveFocus(std::int32_t equate)
{
    // Selecting a field whose control takes no keyboard input (a text, a group box, an icon)
    // selects the next control in declaration order that does: otherwise the keyboard would
    // rest on a label and what the user types would go nowhere.
    const auto selected = std::ranges::find_if(m_controls,
        [equate](const WindowControl& control) { return control.declared.equate == equate; });
    if (selected == m_controls.end()) {
        DisplayWindow::GiveFocus(equate);
        return;
    }
    for (auto control = selected; control != m_controls.end(); ++control) {
        const platform::WindowHandle handle = ControlHandle(control->declared.equate);
        if (handle != 0 && platform::TakesKeyboardInput(handle)) {
            platform::SetFocus(handle);
            return;
        }
    }
}

void Window::DestroyPlatformWindow()
{
    DisplayWindow::DestroyPlatformWindow();
    m_controls.clear();
    m_menuActions.clear();
    m_checkItems.clear();
}

/// Reads the descriptor into the platform options, the menus, the status bar and the controls;
/// false when the descriptor is missing or malformed (nothing is created then).
bool Window::Build()
{
    ClearControlOptions();
    m_controls.clear();
    m_menuActions.clear();
    m_checkItems.clear();
    m_menus.clear();
    m_statusZones.clear();

    // Everything the window keeps is copied or interned below: the block is freed on return.
    const auto descriptor = RequireWindowDescriptor(m_moduleName, m_windowName);
    if (!descriptor)
        return false;
    const auto record = descriptor->block.RecordAt(descriptor->window);
    if (!record || !record->Is(RecordType::Window))
        return false;
    // Menu items bind their variables before the controls do: the list is in that order.
    UseBinding binding(m_variables);
    return BuildOptions(*record) && BuildStatusBar(*record) && BuildMenus(*record, binding)
        && BuildControls(*record, binding);
}

bool Window::BuildOptions(const Record& window)
{
    platform::WindowOptions& options = Options();
    options.title = std::string(window.String(layout::kWindowTitle).value_or(""));
    const auto font = WindowFont(window);
    if (!font)
        return false;
    options.font = *font;
    const platform::FontMetrics metrics = platform::MeasureFont(options.font);
    m_units = { metrics.averageCharWidth, metrics.height };

    const std::uint32_t frame = window.U32(layout::kWindowFrame).value_or(0);
    options.closeBox = (frame & kFrameSystemMenu) != 0;
    options.maximizeBox = (frame & kFrameMaximiseBox) != 0;
    options.resizable = (frame & kFrameKindMask) == kFrameResizable;
    options.maximized = (frame & kFrameMaximised) != 0;
    options.minimized = (frame & kFrameMinimised) != 0;
    // An icon adds the minimise box and the system menu.
    if (!window.String(layout::kWindowIcon).value_or("").empty()) {
        options.minimizeBox = true;
        options.closeBox = true;
    }
    if (const std::int32_t colourRef = window.I32(layout::kWindowColours).value_or(0);
        colourRef != 0) {
        if (const auto colours = window.Block().ReadColours(colourRef))
            options.background = colours->background;
    }
    const Position position = window.PositionAt(layout::kWindowPosition).value_or(Position {});
    auto convert = [](std::int32_t units, auto toPixels) {
        return units == kNotGiven ? platform::kDefaultPosition : toPixels(units);
    };
    auto toX = [this](std::int32_t units) { return m_units.X(units); };
    auto toY = [this](std::int32_t units) { return m_units.Y(units); };
    options.rect = { convert(position.x, toX), convert(position.y, toY),
        convert(position.width, toX), convert(position.height, toY) };
    if (m_openingOwner != nullptr && Kind() == platform::WindowKind::Plain)
        options.owner = m_openingOwner->Handle();
    SetTimerPeriod(static_cast<std::uint32_t>(
        std::max<std::int32_t>(0, window.I32(layout::kWindowTimer).value_or(0))));
    return true;
}

bool Window::BuildStatusBar(const Record& window)
{
    const std::int32_t zones = window.I32(layout::kWindowZones).value_or(0);
    if (zones == 0)
        return true;
    const auto widths = window.Block().ReadValueList(zones);
    if (!widths)
        return false;
    // A negative width is the zone that takes what the others leave.
    for (std::int32_t width : *widths)
        m_statusZones.push_back(width < 0 ? -1 : m_units.X(width));
    return true;
}

bool Window::BuildMenus(const Record& window, UseBinding& binding)
{
    const auto nodes = WindowMenus(window);
    if (!nodes)
        return false;
    std::vector<MenuNode> menuTree;
    std::int32_t barOffset = 0;
    for (const TreeNode& node : *nodes) {
        const auto item = window.Block().RecordAt(node.offset);
        if (!item)
            return false;
        if (item->Is(RecordType::MenuBar)) {
            barOffset = node.offset;
            continue;
        }
        platform::MenuItem entry = MenuEntry(*item);
        const std::int32_t equate = item->Equate();
        if (equate != 0)
            m_menuActions.emplace_back(equate, item->I32(layout::kMenuAction).value_or(0));
        if (const std::int32_t useRef = item->I32(layout::kMenuUse).value_or(0); useRef != 0) {
            const auto use = window.Block().ReadUse(useRef);
            if (!use)
                return false;
            entry.checkable = true;
            if (auto variable = binding.Bind(*use))
                m_checkItems.emplace_back(equate, *variable);
        }
        menuTree.push_back({ node.offset, node.container, item->Is(RecordType::Menu), entry });
    }
    m_menus = MenuItemsIn(menuTree, barOffset);
    return true;
}

bool Window::BuildControls(const Record& window, UseBinding& binding)
{
    const auto nodes = WindowControls(window);
    if (!nodes)
        return false;
    const auto help = window.HelpAt(layout::kWindowHelp);
    StringPool& pool = SharedTexts();
    std::map<std::int32_t, ContainerState> containers;    // by record offset
    std::vector<platform::ControlOptions> controlOptions; // one for each of m_controls
    for (const TreeNode& node : *nodes) {
        const auto record = window.Block().RecordAt(node.offset);
        if (!record)
            return false;
        const auto found = containers.find(node.container);
        const ContainerState* container = found != containers.end() ? &found->second : nullptr;
        // A control without texts of its own takes its group box's, else the window's.
        ControlContext context;
        context.binding = &binding;
        context.pool = &pool;
        if (container != nullptr) {
            context.defaultMessage = container->message;
            context.defaultHelp = container->help;
        } else if (help) {
            context.defaultMessage = pool.Intern(help->message);
            context.defaultHelp = pool.Intern(help->help);
        }
        auto declared = CreateControl(*record, context);
        if (!declared)
            continue; // a kind without a factory, or a record that cannot be built
        WindowControl built;
        built.kind = PlatformKind(declared->kind);
        built.container = container != nullptr ? container->equate : 0;
        LimitInput(built, *declared);

        platform::ControlOptions made
            = ControlOptionsOf(*declared, built, container, Options().font);
        made.rect = PlaceControl(m_units, declared->position, made, container);
        if (built.kind == platform::ControlKind::GroupBox) {
            containers[node.offset] = { declared->equate, made.rect.x, made.rect.y, !made.enabled,
                !made.visible, declared->message, declared->help };
        }
        built.declared = std::move(*declared);
        m_controls.push_back(std::move(built));
        controlOptions.push_back(std::move(made));
    }
    AddBuiltControls(std::move(controlOptions));
    return true;
}

void Window::AddBuiltControls(std::vector<platform::ControlOptions> controlOptions)
{
    // A label may be declared after the input it stands beside: name the inputs once every
    // control's place is known.
    NameInputs(m_controls, controlOptions);
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const std::int32_t equate = m_controls[i].declared.equate;
        if (const auto found = m_descriptions.find(equate); found != m_descriptions.end())
            controlOptions[i].accessibleDescription = found->second;
        AddControlOptions(equate, std::move(controlOptions[i]));
    }
}

void Window::SetControlDescription(std::int32_t equate, std::string_view text)
{
    if (text.empty())
        m_descriptions.erase(equate);
    else
        m_descriptions[equate] = std::string(text);
    if (const platform::WindowHandle control = m_handle != 0 ? ControlHandle(equate) : 0)
        platform::SetAccessibleDescription(control, text);
}

const WindowControl* Window::FindControl(std::int32_t equate) const
{
    for (const WindowControl& control : m_controls) {
        if (control.declared.equate == equate)
            return &control;
    }
    return nullptr;
}

std::int32_t Window::StandardAction(std::int32_t equate) const
{
    for (const auto& [item, number] : m_menuActions) {
        if (item == equate)
            return number;
    }
    const WindowControl* control = FindControl(equate);
    return control != nullptr
            && control->declared.kind == static_cast<std::uint8_t>(RecordType::Button)
        ? control->declared.action
        : 0;
}

void Window::Display(std::int32_t equate)
{
    if (!IsOpen() && m_handle == 0)
        return;
    for (WindowControl& control : m_controls) {
        if (control.declared.equate != equate || !control.declared.variable)
            continue;
        const platform::WindowHandle handle = ControlHandle(equate);
        if (handle == 0)
            return;
        const value::ValueReference& variable = *control.declared.variable;
        if (control.kind == platform::ControlKind::CheckBox) {
            const bool checked = IsTrue(variable);
            platform::SetChecked(handle, checked);
            control.shown = checked ? "1" : "0";
            return;
        }
        std::string text = ShownText(control, ReadVariable(variable));
        platform::SetWindowText(handle, text);
        control.shown = platform::WindowText(handle);
        return;
    }
}

void Window::Refresh()
{
    for (const WindowControl& control : m_controls) {
        if (control.declared.variable)
            Display(control.declared.equate);
    }
    for (const auto& [equate, variable] : m_checkItems)
        platform::CheckMenuItem(
            m_handle, static_cast<std::uint32_t>(equate) + kControlIdOffset, IsTrue(variable));
}

bool Window::Update(std::int32_t equate)
{
    for (WindowControl& control : m_controls) {
        if (control.declared.equate != equate || !control.declared.variable)
            continue;
        const platform::WindowHandle handle = ControlHandle(equate);
        if (handle == 0)
            return false;
        std::string text;
        if (control.kind == platform::ControlKind::CheckBox)
            text = platform::IsChecked(handle) ? "1" : "0";
        else if (control.kind == platform::ControlKind::Static
            || control.kind == platform::ControlKind::Button
            || control.kind == platform::ControlKind::GroupBox)
            return false; // shows its variable, never edits it
        else
            text = platform::WindowText(handle);
        if (control.shown && *control.shown == text)
            return false;
        if (ReadsThroughPicture(control)) {
            // The plain value goes to the variable, and the control shows it as its picture
            // does: 1234.5 typed into an @N12.2 entry reads back as "1,234.50".
            WriteVariable(
                *control.declared.variable, DeformattedText(control.picture->compiled, text));
            control.shown.reset();
            Display(equate);
            return true;
        }
        WriteVariable(*control.declared.variable, text);
        control.shown = std::move(text);
        return true;
    }
    return false;
}

void Window::UpdateAll()
{
    for (const WindowControl& control : m_controls) {
        if (control.declared.variable)
            Update(control.declared.equate);
    }
}

bool Window::RunStandardAction(std::int32_t number)
{
    WindowObject* frame = ApplicationFrame();
    auto arrange = [frame](platform::MdiArrangement how) {
        if (frame != nullptr)
            platform::ArrangeMdiChildren(frame->Handle(), how);
        return true;
    };
    auto edit = [](platform::EditCommand command) {
        platform::EditFocused(command);
        return true;
    };
    switch (number) {
    case action::kWindowList:
    case action::kHelpOnHelp:
        // The window list is the menu's own (set up as the menu bar is installed); the display
        // has no help on using help.
        return true;
    case action::kTile:
    case action::kTileVertical:
        return arrange(platform::MdiArrangement::TileVertical);
    case action::kTileHorizontal:
        return arrange(platform::MdiArrangement::TileHorizontal);
    case action::kCascade:
        return arrange(platform::MdiArrangement::Cascade);
    case action::kArrangeIcons:
        return arrange(platform::MdiArrangement::ArrangeIcons);
    case action::kCut:
        return edit(platform::EditCommand::Cut);
    case action::kCopy:
        return edit(platform::EditCommand::Copy);
    case action::kPaste:
        return edit(platform::EditCommand::Paste);
    case action::kClear:
        return edit(platform::EditCommand::Clear);
    case action::kUndo:
        return edit(platform::EditCommand::Undo);
    case action::kClose:
        PostEvent(event::kCloseWindow, 0, Thread() + 1);
        return true;
    default:
        return false;
    }
}

std::optional<std::int32_t> Window::Property(std::int32_t equate, std::int32_t number) const
{
    if (equate == 0) {
        if (number == property::kAcceptAll)
            return Events().acceptAllRunning ? 1 : 0;
        return std::nullopt;
    }
    const WindowControl* control = FindControl(equate);
    if (control == nullptr)
        return std::nullopt;
    if (number == property::kType)
        return control->declared.kind;
    return std::nullopt;
}

bool Window::SetProperty(
    std::int32_t equate, std::int32_t number, std::int32_t value, std::int32_t index)
{
    if (number != property::kAlertKey)
        return false;
    for (WindowControl& control : m_controls) {
        if (control.declared.equate != equate)
            continue;
        std::vector<std::int32_t>& keys = control.declared.alertKeys;
        if (index == property::kAddIndex) {
            if (std::find(keys.begin(), keys.end(), value) == keys.end())
                keys.push_back(value);
        } else if (index >= 1 && static_cast<std::size_t>(index) <= keys.size()) {
            keys[static_cast<std::size_t>(index - 1)] = value;
        } else {
            return false;
        }
        return true;
    }
    return false;
}

void Window::RefreshDisplay()
{
    Refresh();
}

bool Window::IsBound(std::int32_t equate) const
{
    const WindowControl* control = FindControl(equate);
    return control != nullptr && control->declared.variable.has_value();
}

CommandAnswer Window::OnCommand(std::int32_t equate, std::int64_t notify)
{
    if (notify == platform::Notify::kClicked) {
        const std::int32_t number = StandardAction(equate);
        if (number == action::kClose)
            return CommandAnswer::Close;
        if (number != 0 && RunStandardAction(number))
            return CommandAnswer::Done;
        return CommandAnswer::Default;
    }
    if (notify == platform::Notify::kFocusLost) {
        const WindowControl* control = FindControl(equate);
        if (control != nullptr && Edits(control->kind) && Update(equate))
            return CommandAnswer::Accept;
    }
    return CommandAnswer::Default;
}

void Window::PrepareEvent(const Event& event)
{
    // What the user edited is in its variable before the procedure handles any acceptance:
    // the accepted control's own, and a button's that reads the controls beside it.
    if (event.code == EventCode::kAccepted)
        UpdateAll();
}

} // namespace window
