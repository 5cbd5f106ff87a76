// What a window uses to tell the user an answer: an icon control's picture changed on the
// spot (a tick, a cross), a text's colour, the name assistive technology reads and the
// announcement a screen reader speaks, and the clipboard's text to start from. Every call is
// made from the program's first thread, as the runtime makes them, and carried to the GUI
// thread.

#include <platform/Display.h>
#include <platform/TestDriver.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPalette>
#include <QPixmap>
#include <QStyle>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace platform;

namespace {

/// Runs `script` as the program's first thread while the display runs on this (the main)
/// thread, then ends the display.
void WithDisplay(const std::function<void()>& script)
{
    test::SilenceHarmlessPlatformWarnings();
    RunDisplay([&script] {
        script();
        QuitDisplay();
        return 0;
    });
}

WindowHandle MakeWindow(const char* title)
{
    WindowOptions options;
    options.title = title;
    options.rect = { 40, 40, 400, 200 };
    return CreateWindow(options);
}

ControlOptions Control(
    ControlKind kind, WindowHandle parent, std::uint32_t id, Rect rect, std::string text = {})
{
    ControlOptions options;
    options.kind = kind;
    options.parent = parent;
    options.id = id;
    options.rect = rect;
    options.text = std::move(text);
    return options;
}

/// The label behind `control`; call on the GUI thread only.
QLabel* LabelOf(WindowHandle control)
{
    return qobject_cast<QLabel*>(test::WidgetOf(control));
}

/// The picture an icon control shows now (null when it shows none) and its size.
QImage PictureOf(WindowHandle control)
{
    QImage picture;
    InvokeOnGui([control, &picture] {
        if (const QLabel* label = LabelOf(control))
            picture = label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    });
    return picture;
}

/// The points of `picture` that are drawn (more opaque than not) on a `size` square from its
/// top left corner, where the label shows it: its shape, whatever its colours.
std::vector<bool> ShapeOf(const QImage& picture, int size)
{
    std::vector<bool> shape;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            shape.push_back(picture.valid(x, y) && qAlpha(picture.pixel(x, y)) > 128);
    }
    return shape;
}

/// The Windows-1250 bytes of the Croatian letters čćžšđ ČĆŽŠĐ.
const std::string kCroatianAnsi = "\xE8\xE6\x9E\x9A\xF0 \xC8\xC6\x8E\x8A\xD0";
const std::string kCroatianUtf8 = "čćžšđ ČĆŽŠĐ";

} // namespace

TEST(DisplayNoticeTest, TickAndCrossAreDrawnDifferentlyAndNoneClearsTheIcon)
{
    WithDisplay([] {
        const WindowHandle window = MakeWindow("Ikone");
        const WindowHandle icon
            = CreateControl(Control(ControlKind::Icon, window, 0x4001, { 5, 5, 32, 32 }));
        ASSERT_NE(icon, 0u);
        EXPECT_TRUE(PictureOf(icon).isNull()) << "made without a picture";

        SetIcon(icon, StandardIcon::Tick);
        const QImage tick = PictureOf(icon);
        ASSERT_FALSE(tick.isNull());
        EXPECT_EQ(test::DescribeControl(icon)->icon, StandardIcon::Tick);

        SetIcon(icon, StandardIcon::Cross);
        const QImage cross = PictureOf(icon);
        ASSERT_FALSE(cross.isNull());
        EXPECT_EQ(test::DescribeControl(icon)->icon, StandardIcon::Cross);
        EXPECT_NE(tick, cross);
        // Told apart by their shapes alone, as a user who does not see colours tells them.
        const std::vector<bool> tickShape = ShapeOf(tick, 32);
        const std::vector<bool> crossShape = ShapeOf(cross, 32);
        const auto drawn
            = static_cast<std::size_t>(std::count(tickShape.begin(), tickShape.end(), true));
        std::size_t differing = 0;
        for (std::size_t i = 0; i < tickShape.size(); ++i) {
            if (tickShape[i] != crossShape[i])
                ++differing;
        }
        EXPECT_GT(drawn, tickShape.size() / 10) << "a tick, not a speck";
        EXPECT_GT(differing, drawn / 3);

        // A control made with the tick shows what SetIcon shows.
        ControlOptions made = Control(ControlKind::Icon, window, 0x4002, { 45, 5, 32, 32 });
        made.icon = StandardIcon::Tick;
        EXPECT_EQ(PictureOf(CreateControl(made)), tick);

        SetIcon(icon, StandardIcon::None);
        EXPECT_TRUE(PictureOf(icon).isNull());
        EXPECT_EQ(test::DescribeControl(icon)->icon, StandardIcon::None);

        // A text is no icon: its text stays and it gets no picture.
        const WindowHandle text = CreateControl(
            Control(ControlKind::Static, window, 0x4003, { 5, 50, 200, 20 }, "Tekst"));
        SetIcon(text, StandardIcon::Tick);
        EXPECT_TRUE(PictureOf(text).isNull());
        EXPECT_EQ(WindowText(text), "Tekst");
        DestroyWindow(window);
    });
}

TEST(DisplayNoticeTest, AnIconIsShownAtItsSizeAndNoLargerThanItsControl)
{
    WithDisplay([] {
        std::int32_t messageBox = 0;
        std::int32_t large = 0;
        InvokeOnGui([&messageBox, &large] {
            messageBox = QApplication::style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
            large = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
        });
        ASSERT_EQ(StandardIconSize(), messageBox);
        const std::int32_t mark = std::min(large, messageBox);
        const struct {
            const char* what;
            std::int32_t room; ///< the control's width and height; kDefaultPosition: none given
            StandardIcon icon;
            std::int32_t shown; ///< the picture's larger side (some are a little narrower)
            bool exact;         ///< false: at most that (the style may have no larger picture)
        } rows[] = {
            // Message box icons at the style's size, as message boxes lay them out.
            { "message box icon in its own size", messageBox, StandardIcon::Exclamation, messageBox,
                false },
            // The marks stand beside a line of text: the large icon size, in a larger control too.
            { "tick in a message box icon's room", messageBox, StandardIcon::Tick, mark, true },
            { "cross in a message box icon's room", messageBox, StandardIcon::Cross, mark, true },
            // A control smaller than the picture shrinks it rather than cutting it off.
            { "tick in a small control", 20, StandardIcon::Tick, std::min(20, mark), true },
            { "icon in a small control", 24, StandardIcon::Stop, std::min(24, messageBox), true },
            // Made without a size, the control takes the picture's.
            { "tick without a size", kDefaultPosition, StandardIcon::Tick, mark, true },
            { "icon without a size", kDefaultPosition, StandardIcon::Exclamation, messageBox,
                false },
        };
        const WindowHandle window = MakeWindow("Veličine");
        std::uint32_t id = 0x4001;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            const WindowHandle icon = CreateControl(
                Control(ControlKind::Icon, window, id++, { 5, 5, row.room, row.room }));
            ASSERT_NE(icon, 0u);
            SetIcon(icon, row.icon);
            const QImage picture = PictureOf(icon);
            const int side = std::max(picture.width(), picture.height());
            if (row.exact)
                EXPECT_EQ(side, row.shown);
            else
                EXPECT_LE(side, row.shown);
            EXPECT_GT(side, 0);
            const Rect rect = WindowRect(icon);
            if (row.room == kDefaultPosition) {
                EXPECT_GE(rect.width, picture.width()) << "the control grows to its picture";
                EXPECT_GE(rect.height, picture.height());
            } else {
                EXPECT_EQ(rect.width, row.room) << "the control keeps its size";
            }
        }
        DestroyWindow(window);
    });
}

TEST(DisplayNoticeTest, TextColourIsSetAndGivenBackKeepingFontAndBackground)
{
    WithDisplay([] {
        const WindowHandle window = MakeWindow("Boje");
        const struct {
            const char* what;
            std::uint32_t textColour;
            std::uint32_t backgroundColour;
        } rows[] = {
            { "made without colours", kNoColour, kNoColour },
            { "made blue", 0xFF0000, kNoColour },
            { "made on yellow", kNoColour, 0x00FFFF },
        };
        std::uint32_t id = 0x4001;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            ControlOptions options = Control(ControlKind::Static, window, id++, { 5, 5, 380, 30 },
                "Kontrolni broj se podudara.");
            options.font = { "MS Sans Serif", 14, 700 };
            options.textColour = row.textColour;
            options.backgroundColour = row.backgroundColour;
            const WindowHandle line = CreateControl(options);
            ASSERT_NE(line, 0u);
            QFont madeFont;
            QColor windowText;
            InvokeOnGui([line, &madeFont, &windowText] {
                const QLabel* label = LabelOf(line);
                madeFont = label->font();
                windowText = label->parentWidget()->palette().color(QPalette::WindowText);
            });

            SetTextColour(line, 0x008000); // green
            EXPECT_EQ(test::DescribeControl(line)->textColour, 0x008000u);
            InvokeOnGui([line, &madeFont, &row] {
                const QLabel* label = LabelOf(line);
                EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 128, 0));
                EXPECT_EQ(label->font(), madeFont);
                if (row.backgroundColour != kNoColour) {
                    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(255, 255, 0));
                }
            });

            SetTextColour(line, kNoColour);
            EXPECT_EQ(test::DescribeControl(line)->textColour, kNoColour);
            InvokeOnGui([line, &madeFont, &windowText, &row] {
                const QLabel* label = LabelOf(line);
                EXPECT_EQ(label->palette().color(QPalette::WindowText), windowText)
                    << "the window's own text colour again";
                EXPECT_EQ(label->font(), madeFont);
                if (row.backgroundColour != kNoColour) {
                    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(255, 255, 0));
                    EXPECT_TRUE(label->autoFillBackground());
                }
            });
        }
        DestroyWindow(window);
    });
}

namespace {

/// The name assistive technology reads for `control` now, as UTF-8.
std::string AccessibleNameOf(WindowHandle control)
{
    std::string name;
    InvokeOnGui([control, &name] {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(test::WidgetOf(control));
        if (face != nullptr)
            name = face->text(QAccessible::Name).toStdString();
    });
    return name;
}

/// Keeps what the display tells assistive technology itself while it lives. (The toolkit
/// passes such events on only while a screen reader listens, which none does here.)
class Recording {
public:
    Recording() { test::StartRecordingAccessibleNotices(); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    ~Recording() { test::StopRecordingAccessibleNotices(); }
};

} // namespace

TEST(DisplayNoticeTest, TheAccessibleNameIsReplacedAndEmptyGivesBackTheToolkitsOwn)
{
    WithDisplay([] {
        const WindowHandle window = MakeWindow("Imena");
        const struct {
            const char* what;
            ControlKind kind;
            const char* text;
            const char* ownName; ///< what the toolkit reads without a name given
        } rows[] = {
            { "text", ControlKind::Static, "Rezultat", "Rezultat" },
            { "button", ControlKind::Button, "&Provjeri", "Provjeri" },
        };
        std::uint32_t id = 0x4001;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            const WindowHandle control
                = CreateControl(Control(row.kind, window, id++, { 5, 5, 200, 24 }, row.text));
            ASSERT_NE(control, 0u);
            EXPECT_EQ(AccessibleNameOf(control), row.ownName);

            SetAccessibleName(control,
                "Kontrolni broj je to\xE8"
                "an");
            EXPECT_EQ(AccessibleNameOf(control), "Kontrolni broj je točan");
            EXPECT_EQ(test::DescribeControl(control)->accessibleName,
                "Kontrolni broj je to\xE8"
                "an");
            EXPECT_EQ(WindowText(control), row.text) << "the text shown stays";

            SetAccessibleName(control, "");
            EXPECT_EQ(AccessibleNameOf(control), row.ownName);
            EXPECT_EQ(test::DescribeControl(control)->accessibleName, "");
        }
        DestroyWindow(window);
    });
}

TEST(DisplayNoticeTest, AnnounceRenamesTheControlThenRaisesAnAlertEachTime)
{
    WithDisplay([] {
        const WindowHandle window = MakeWindow("Najava");
        const WindowHandle line = CreateControl(
            Control(ControlKind::Static, window, 0x4001, { 5, 5, 380, 30 }, "Rezultat"));
        const WindowHandle other = CreateControl(
            Control(ControlKind::Static, window, 0x4002, { 5, 40, 380, 30 }, "Drugo"));
        ASSERT_NE(line, 0u);
        const Recording recording;
        const struct {
            const char* what;
            std::string ansi;
            std::string heard; ///< UTF-8
        } rows[] = {
            { "first answer", "Kontrolni broj se podudara.", "Kontrolni broj se podudara." },
            { "the same answer again is heard again", "Kontrolni broj se podudara.",
                "Kontrolni broj se podudara." },
            { "another answer", "Kontrolni broj se NE podudara.",
                "Kontrolni broj se NE podudara." },
            { "Croatian letters", kCroatianAnsi, kCroatianUtf8 },
        };
        std::size_t seen = 0;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            Announce(line, row.ansi);
            EXPECT_EQ(AccessibleNameOf(line), row.heard);
            EXPECT_EQ(WindowText(line), "Rezultat") << "the text shown stays";
            // A name change, then the alert, each with the new name already read.
            const std::vector<test::AccessibleNotice> notices = test::AccessibleNotices();
            ASSERT_EQ(notices.size(), seen + 2);
            EXPECT_EQ(notices[seen].event, test::AccessibleEvent::NameChanged);
            EXPECT_EQ(notices[seen + 1].event, test::AccessibleEvent::Alert);
            for (std::size_t i = seen; i < notices.size(); ++i) {
                EXPECT_EQ(notices[i].control, line);
                EXPECT_EQ(notices[i].name, row.heard);
            }
            seen = notices.size();
        }
        EXPECT_EQ(AccessibleNameOf(other), "Drugo") << "only the announcing control is renamed";

        // An announcement does not take the focus to the control.
        const WindowHandle focused = FocusedWindow();
        Announce(line, "Opet");
        EXPECT_EQ(FocusedWindow(), focused);
        DestroyWindow(window);
    });
}

TEST(DisplayNoticeTest, TheClipboardsTextIsReadAsWindows1250)
{
    EXPECT_EQ(ClipboardText(), "") << "no display, no clipboard";
    WithDisplay([] {
        const struct {
            const char* what;
            std::string copied; ///< UTF-8, as copied elsewhere
            std::string read;   ///< Windows-1250
        } rows[] = {
            { "a control number", "2FD4E1C67A-2D28FCED84-9EE1BB76E7-391B93EB12",
                "2FD4E1C67A-2D28FCED84-9EE1BB76E7-391B93EB12" },
            { "Croatian letters", kCroatianUtf8, kCroatianAnsi },
            { "the euro sign, which the code page has", "\xE2\x82\xAC", "\x80" },
            // Characters the code page lacks: each one "?", one beyond 16 bits too.
            { "Cyrillic", "a\xD0\x96z", "a?z" },
            { "an emoji", "a\xF0\x9F\x98\x80z", "a?z" },
            // The line breaks as copied.
            { "two lines", "prvi\r\ndrugi\n", "prvi\r\ndrugi\n" },
            { "nothing", "", "" },
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            test::SetClipboardText(row.copied);
            EXPECT_EQ(ClipboardText(), row.read);
        }

        // A picture without text gives no text.
        test::SetClipboardText("staro");
        InvokeOnGui([] {
            auto* picture = new QMimeData;
            QImage image(4, 4, QImage::Format_ARGB32);
            image.fill(Qt::red);
            picture->setImageData(image);
            QGuiApplication::clipboard()->setMimeData(picture);
        });
        EXPECT_EQ(ClipboardText(), "");
    });
}

TEST(DisplayNoticeTest, EveryCallIsHarmlessOnAHandleThatIsGoneOrNoControl)
{
    // Without a display nothing is carried out, and nothing fails.
    SetIcon(1, StandardIcon::Tick);
    SetTextColour(1, 0x0000FF);
    SetAccessibleName(1, "x");
    Announce(1, "x");
    WithDisplay([] {
        const WindowHandle window = MakeWindow("Nestaje");
        const WindowHandle icon
            = CreateControl(Control(ControlKind::Icon, window, 0x4001, { 5, 5, 32, 32 }));
        const WindowHandle line = CreateControl(
            Control(ControlKind::Static, window, 0x4002, { 5, 40, 200, 20 }, "Rezultat"));
        const WindowHandle other = MakeWindow("Ostaje");
        ASSERT_NE(icon, 0u);
        ASSERT_NE(line, 0u);
        DestroyWindow(window);
        ASSERT_FALSE(IsWindow(icon));
        ASSERT_FALSE(IsWindow(line));

        const Recording recording;
        for (const WindowHandle gone :
            { icon, line, window, WindowHandle { 0 }, WindowHandle { 0x7FFFFFFF } }) {
            SCOPED_TRACE(gone);
            SetIcon(gone, StandardIcon::Cross);
            SetTextColour(gone, 0x0000FF);
            SetTextColour(gone, kNoColour);
            SetAccessibleName(gone, "x");
            Announce(gone, "x");
        }
        EXPECT_TRUE(test::AccessibleNotices().empty())
            << "nothing announced for a handle that is gone";

        // A window is no control: it keeps its name and colours and announces nothing.
        SetAccessibleName(other, "x");
        SetTextColour(other, 0x0000FF);
        Announce(other, "x");
        EXPECT_TRUE(test::AccessibleNotices().empty());
        InvokeOnGui([other] {
            const QWidget* widget = test::WidgetOf(other);
            ASSERT_NE(widget, nullptr);
            EXPECT_TRUE(widget->accessibleName().isEmpty());
            EXPECT_FALSE(widget->palette().isBrushSet(QPalette::Active, QPalette::WindowText));
        });
        DestroyWindow(other);
    });
}
