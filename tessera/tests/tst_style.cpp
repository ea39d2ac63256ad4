#include "orrery_gui/tests/two_screens.h"
#include "tessera/palette/palette.h"
#include "tessera/style/style.h"
#include "tessera/style/style_input_focus_helper.h"
#include "tessera/window/dialog.h"

#include "tessera/resources/fonts.h"
#include "tessera/style/size_policy.h"
#include "tessera/style/style_metrics.h"
#include "tessera/style/style_properties.h"
#include "tessera/widgets/card_button.h"
#include "tessera/widgets/tree_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyleOption>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>
#include <memory>

using namespace Tessera;

Q_DECLARE_METATYPE(ThemeMode)

namespace {

// A style for the theme, with the application's palette from it.
std::unique_ptr<Style> styleFor(ThemeMode mode)
{
    return std::make_unique<Style>(Palette::forTheme(mode));
}

// A control of that kind, ready for keyboard focus.
QWidget* focusableControl(const QString& kind, QWidget* parent)
{
    if (kind.endsWith("button") && kind != "radio button" && kind != "card button") {
        auto* button = new QPushButton("Apply", parent);
        button->setDefault(kind == "default button");
        return button;
    }
    if (kind == "card button")
        return new CardButton(QIcon(), parent);
    if (kind.endsWith("check box")) {
        auto* box = new QCheckBox("Remember", parent);
        box->setChecked(kind.startsWith("checked"));
        return box;
    }
    if (kind == "radio button")
        return new QRadioButton("One", parent);
    if (kind == "combo box") {
        auto* combo = new QComboBox(parent);
        combo->addItems({"First", "Second"});
        return combo;
    }
    if (kind == "spin box")
        return new QSpinBox(parent);
    if (kind == "tab bar") {
        auto* tabs = new QTabBar(parent);
        tabs->addTab("One");
        tabs->addTab("Two");
        return tabs;
    }
    if (kind == "list") {
        auto* view = new TreeView(parent);
        auto* model = new QStandardItemModel(3, 2, view);
        view->setModel(model);
        view->setRootIsDecorated(false);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setCurrentIndex(model->index(1, 0));
        return view;
    }
    if (kind == "read-only text") {
        auto* text = new QPlainTextEdit("DMX lost on universe 3", parent);
        text->setReadOnly(true);
        return text;
    }
    auto* edit = new QLineEdit("text", parent);
    edit->setReadOnly(kind == "read-only line edit");
    return edit;
}

QImage render(const std::function<void(QPainter&)>& draw, QSize size = QSize(40, 24))
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter);
    return image;
}

QStyleOption optionFor(const Style& style, QRect rect, QStyle::State state)
{
    QStyleOption option;
    option.rect = rect;
    option.palette = style.standardPalette();
    option.state = state | QStyle::State_Enabled | QStyle::State_Active;
    return option;
}

QColor userColour(const Style& style, UserPalette::ColourRole role)
{
    return style.toolkitPalette().userPalette().brush(QPalette::Active, role).color();
}

QColor qtColour(const Style& style, QPalette::ColorRole role)
{
    return style.toolkitPalette().color(QPalette::Active, role);
}

// WCAG contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A widget on the screen of that logical DPI.
QWidget* widgetAt(int dpi)
{
    auto* widget = new QWidget;
    widget->resize(50, 50);
    for (const QScreen* screen : QGuiApplication::screens())
        if (qRound(screen->logicalDotsPerInchY()) == dpi)
            widget->move(screen->geometry().topLeft() + QPoint(10, 10));
    widget->show();
    return widget;
}

} // namespace

class TestStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void themes_data()
    {
        QTest::addColumn<ThemeMode>("mode");
        QTest::newRow("dark") << ThemeMode::Dark;
        QTest::newRow("light") << ThemeMode::Light;
    }

    // Every element with and without a widget, at 96 and 144 DPI: nothing crashes, metrics are
    // not negative, and geometry stays inside the option's rectangle.
    void sweep_data() { themes_data(); }
    void sweep()
    {
        QFETCH(ThemeMode, mode);
        const auto style = styleFor(mode);
        QImage image(64, 64, QImage::Format_ARGB32);
        QPainter painter(&image);
        const std::unique_ptr<QWidget> widgets[] = {std::unique_ptr<QWidget>(widgetAt(96)),
                                                    std::unique_ptr<QWidget>(widgetAt(144))};
        for (QWidget* widget :
             {static_cast<QWidget*>(nullptr), widgets[0].get(), widgets[1].get()}) {
            QStyleOption option = optionFor(*style, QRect(0, 0, 64, 64), QStyle::State_None);
            QStyleOptionComplex complex;
            static_cast<QStyleOption&>(complex) = option;
            // -1 says "no limit" for the drag distance and "ask the layout" for its spacings; a
            // submenu may overlap its menu.
            for (int metric = 0; metric <= int(QStyle::PM_TitleBarButtonSize); ++metric) {
                const auto pm = QStyle::PixelMetric(metric);
                const int least = pm == QStyle::PM_LayoutHorizontalSpacing ||
                                          pm == QStyle::PM_LayoutVerticalSpacing ||
                                          pm == QStyle::PM_MaximumDragDistance
                                      ? -1
                                      : (pm == QStyle::PM_SubMenuOverlap ? -1000 : 0);
                QVERIFY2(style->pixelMetric(pm, nullptr, widget) >= least,
                         qPrintable(QString::number(metric)));
                QVERIFY2(style->pixelMetric(pm, &option, widget) >= least,
                         qPrintable(QString::number(metric)));
            }
            for (int element = 0; element <= int(QStyle::PE_PanelMenu); ++element)
                style->drawPrimitive(QStyle::PrimitiveElement(element), &option, &painter, widget);
            for (int element = 0; element <= int(QStyle::CE_ShapedFrame); ++element)
                style->drawControl(QStyle::ControlElement(element), &option, &painter, widget);
            // Parts lie within the control; a size leaves room for its contents (a line edit
            // gives back one pixel of its frame on each side).
            const QRect within = option.rect.adjusted(-1, -1, 1, 1);
            for (int control = 0; control <= int(QStyle::CC_MdiControls); ++control) {
                const auto cc = QStyle::ComplexControl(control);
                style->drawComplexControl(cc, &complex, &painter, widget);
                for (int part = 1; part <= 0x8000 && cc != QStyle::CC_Dial; part <<= 1) {
                    const QRect rect =
                        style->subControlRect(cc, &complex, QStyle::SubControl(part), widget);
                    QVERIFY2(rect.isEmpty() || within.contains(rect),
                             qPrintable(QString::number(control)));
                }
            }
            for (int element = 0; element <= int(QStyle::SE_TabBarScrollRightButton); ++element) {
                const QRect rect =
                    style->subElementRect(QStyle::SubElement(element), &option, widget);
                QVERIFY2(rect.isEmpty() || within.contains(rect),
                         qPrintable(QString::number(element)));
            }
            for (int contents = 0; contents <= int(QStyle::CT_ItemViewItem); ++contents) {
                const QSize size = style->sizeFromContents(QStyle::ContentsType(contents), &option,
                                                           QSize(10, 10), widget);
                QVERIFY2(size.width() >= 8 && size.height() >= 8,
                         qPrintable(QString::number(contents)));
            }
        }
    }

    // At 144 and 120 DPI a metric is 1.5 and 1.25 times what it is at 96, rounded half away
    // from zero; the frame width stays as it is.
    void metricsScale_data()
    {
        QTest::addColumn<int>("metric");
        QTest::addColumn<bool>("scales");
        QTest::newRow("title bar button") << int(QStyle::PM_TitleBarButtonSize) << true;
        QTest::newRow("title bar height") << int(QStyle::PM_TitleBarHeight) << true;
        QTest::newRow("indicator") << int(QStyle::PM_IndicatorWidth) << true;
        QTest::newRow("scroll bar") << int(QStyle::PM_ScrollBarExtent) << true;
        QTest::newRow("button margin") << int(QStyle::PM_ButtonMargin) << true;
        QTest::newRow("frame width") << int(QStyle::PM_DefaultFrameWidth) << false;
    }

    void metricsScale()
    {
        QFETCH(int, metric);
        QFETCH(bool, scales);
        const auto style = styleFor(ThemeMode::Dark);
        const auto at = [&](int dpi) {
            const std::unique_ptr<QWidget> widget(widgetAt(dpi));
            [&] {
                QTRY_COMPARE(widget->logicalDpiY(), dpi);
            }();
            return style->pixelMetric(QStyle::PixelMetric(metric), nullptr, widget.get());
        };
        const int design = at(96);
        QVERIFY(design > 0);
        QCOMPARE(at(144), scales ? int(std::lround(design * 1.5)) : design);
        QCOMPARE(at(120), scales ? int(std::lround(design * 1.25)) : design);
    }

    // Every part of a complex control lies inside it and is not empty, and a press at its
    // middle hits that part. A scroll bar's slider takes the page's share of the bar and sits
    // where the value is; a slider's handle and a spin box's buttons follow their own rules.
    void complexControlParts_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<int>("value"); // of a range 0 to 100
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::addColumn<QList<int>>("parts");
        const QList<int> scrollParts{QStyle::SC_ScrollBarSubPage, QStyle::SC_ScrollBarSlider,
                                     QStyle::SC_ScrollBarAddPage};
        QTest::newRow("scroll bar, middle")
            << int(QStyle::CC_ScrollBar) << 50 << Qt::Horizontal << scrollParts;
        QTest::newRow("scroll bar, vertical, top")
            << int(QStyle::CC_ScrollBar) << 0 << Qt::Vertical
            << QList<int>{QStyle::SC_ScrollBarSlider, QStyle::SC_ScrollBarAddPage};
        QTest::newRow("scroll bar, end")
            << int(QStyle::CC_ScrollBar) << 100 << Qt::Horizontal
            << QList<int>{QStyle::SC_ScrollBarSubPage, QStyle::SC_ScrollBarSlider};
        QTest::newRow("slider") << int(QStyle::CC_Slider) << 30 << Qt::Horizontal
                                << QList<int>{QStyle::SC_SliderHandle};
        QTest::newRow("slider, vertical")
            << int(QStyle::CC_Slider) << 100 << Qt::Vertical << QList<int>{QStyle::SC_SliderHandle};
        QTest::newRow("spin box") << int(QStyle::CC_SpinBox) << 0 << Qt::Horizontal
                                  << QList<int>{QStyle::SC_SpinBoxUp, QStyle::SC_SpinBoxDown};
        QTest::newRow("combo box") << int(QStyle::CC_ComboBox) << 0 << Qt::Horizontal
                                   << QList<int>{QStyle::SC_ComboBoxArrow};
    }

    void complexControlParts()
    {
        QFETCH(int, control);
        QFETCH(int, value);
        QFETCH(Qt::Orientation, orientation);
        QFETCH(QList<int>, parts);
        const auto style = styleFor(ThemeMode::Dark);
        const auto cc = QStyle::ComplexControl(control);
        const QRect rect =
            orientation == Qt::Horizontal ? QRect(10, 5, 200, 24) : QRect(10, 5, 24, 200);
        QStyleOptionSlider slider;
        QStyleOptionSpinBox spin;
        QStyleOptionComboBox combo;
        QStyleOptionComplex* option = &slider;
        if (cc == QStyle::CC_SpinBox)
            option = &spin;
        if (cc == QStyle::CC_ComboBox)
            option = &combo;
        static_cast<QStyleOption&>(*option) = optionFor(*style, rect, QStyle::State_None);
        option->subControls = QStyle::SC_All;
        slider.orientation = orientation;
        slider.maximum = 100;
        slider.pageStep = 25;
        slider.sliderPosition = slider.sliderValue = value;
        spin.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
        spin.frame = combo.frame = true;
        for (const int part : parts) {
            const auto sc = QStyle::SubControl(part);
            const QRect area = style->subControlRect(cc, option, sc);
            QVERIFY2(!area.isEmpty() && rect.contains(area), qPrintable(QString::number(part)));
            QCOMPARE(int(style->hitTestComplexControl(cc, option, area.center())), part);
        }
        const auto along = [&](const QRect& r) {
            return orientation == Qt::Horizontal ? std::pair(r.left() - rect.left(), r.width())
                                                 : std::pair(r.top() - rect.top(), r.height());
        };
        const int length = orientation == Qt::Horizontal ? rect.width() : rect.height();
        if (cc == QStyle::CC_ScrollBar) {
            const auto [start, size] =
                along(style->subControlRect(cc, option, QStyle::SC_ScrollBarSlider));
            QVERIFY(qAbs(size - length * 25 / 125) <= 1);
            QVERIFY(qAbs(start - (length - size) * value / 100) <= 1);
        }
        if (cc == QStyle::CC_Slider) {
            const auto [start, size] =
                along(style->subControlRect(cc, option, QStyle::SC_SliderHandle));
            QVERIFY(qAbs(start - (length - size) * value / 100) <= 1);
            QCOMPARE(size, style->pixelMetric(QStyle::PM_SliderLength, option));
        }
        if (cc == QStyle::CC_SpinBox) {
            const QRect up = style->subControlRect(cc, option, QStyle::SC_SpinBoxUp);
            const QRect down = style->subControlRect(cc, option, QStyle::SC_SpinBoxDown);
            const QRect edit = style->subControlRect(cc, option, QStyle::SC_SpinBoxEditField);
            QVERIFY(up.bottom() < down.top() && edit.right() < up.left() && !edit.isEmpty());
        }
    }

    void lineEdits_data() { themes_data(); }
    void lineEdits()
    {
        QFETCH(ThemeMode, mode);
        const auto style = styleFor(mode);
        for (const bool readOnly : {false, true}) {
            QStyleOptionFrame frame;
            static_cast<QStyleOption&>(frame) =
                optionFor(*style, QRect(0, 0, 40, 24), QStyle::State_HasFocus);
            frame.lineWidth = 1;
            if (readOnly)
                frame.state |= QStyle::State_ReadOnly;
            const QImage image = render(
                [&](QPainter& p) { style->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p); });
            QCOMPARE(image.pixelColor(20, 0), qtColour(*style, QPalette::Highlight));
            QCOMPARE(image.pixelColor(20, 12), readOnly
                                                   ? QColor(Qt::transparent)
                                                   : userColour(*style, UserPalette::ActiveBase));
        }
    }

    // The text of every enabled button stands out 7:1 or more from what it is drawn on, in every
    // state and both themes: the toolkit's type is light and small, and at WCAG AA's 4.5:1 a
    // default button in the light theme looked disabled.
    void buttonTextStandsOut_data()
    {
        QTest::addColumn<ThemeMode>("mode");
        QTest::addColumn<QString>("kind"); // push, tool, auto-raise
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("isDefault");
        const QList<QPair<const char*, int>> states = {
            {"at rest", 0},
            {"hovered", QStyle::State_MouseOver},
            {"pressed", QStyle::State_Sunken},
            {"checked", QStyle::State_On},
            {"focused", QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange},
            {"in a window behind", -1}};
        for (const ThemeMode mode : {ThemeMode::Dark, ThemeMode::Light})
            for (const char* kind : {"push", "tool", "auto-raise"})
                for (const auto& [name, state] : states)
                    for (const bool isDefault : {false, true})
                        if (!isDefault || QLatin1String(kind) == QLatin1String("push"))
                            QTest::addRow("%s %s %s%s", mode == ThemeMode::Dark ? "dark" : "light",
                                          kind, name, isDefault ? ", default" : "")
                                << mode << QString(kind) << state << isDefault;
    }

    void buttonTextStandsOut()
    {
        QFETCH(ThemeMode, mode);
        QFETCH(QString, kind);
        QFETCH(int, state);
        QFETCH(bool, isDefault);
        const auto style = styleFor(mode);
        QStyleOptionButton push;
        QStyleOptionToolButton tool;
        QStyleOption& option = kind == "push" ? static_cast<QStyleOption&>(push) : tool;
        option = optionFor(*style, QRect(0, 0, 120, 40), QStyle::State_Raised);
        if (state < 0)
            option.state &= ~QStyle::State_Active;
        else
            option.state |= QStyle::State(state);
        option.palette.setCurrentColorGroup(state < 0 ? QPalette::Inactive : QPalette::Active);
        push.text = tool.text = QStringLiteral("WWWW");
        push.features = isDefault ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
        tool.toolButtonStyle = Qt::ToolButtonTextOnly;
        tool.subControls = QStyle::SC_ToolButton;
        if (kind == "auto-raise")
            tool.state |= QStyle::State_AutoRaise;
        QImage image(120, 40, QImage::Format_ARGB32);
        image.fill(option.palette.color(QPalette::Window));
        QPainter painter(&image);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 18, QFont::Bold));
        if (kind == "push")
            style->drawControl(QStyle::CE_PushButton, &push, &painter);
        else
            style->drawComplexControl(QStyle::CC_ToolButton, &tool, &painter);
        painter.end();
        const QColor fill = image.pixelColor(6, 20);
        double best = 1;
        for (int x = 20; x < 100; ++x)
            for (int y = 8; y < 32; ++y)
                best = std::max(best, contrast(image.pixelColor(x, y), fill));
        QVERIFY2(best >= 7, qPrintable(QString("%1 on %2: %3").arg(kind, fill.name()).arg(best)));
    }

    // A mark pixel is nearer the mark colour (IndicatorBase) than the checked fill (Highlight).
    void checkBoxes_data()
    {
        QTest::addColumn<ThemeMode>("mode");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("centreMarked"); // on a partial check's bar
        QTest::addColumn<bool>("tickMarked");   // on the lower-left stroke of a tick
        for (const ThemeMode mode : {ThemeMode::Dark, ThemeMode::Light}) {
            const char* theme = mode == ThemeMode::Dark ? "dark" : "light";
            QTest::addRow("%s unchecked", theme) << mode << int(QStyle::State_Off) << true << true;
            QTest::addRow("%s checked", theme) << mode << int(QStyle::State_On) << false << true;
            QTest::addRow("%s partial", theme)
                << mode << int(QStyle::State_NoChange) << true << false;
        }
    }

    void checkBoxes()
    {
        QFETCH(ThemeMode, mode);
        QFETCH(int, state);
        QFETCH(bool, centreMarked);
        QFETCH(bool, tickMarked);
        const auto style = styleFor(mode);
        const QStyleOption option = optionFor(*style, QRect(0, 0, 24, 24), QStyle::State(state));
        const QImage image = render(
            [&](QPainter& p) { style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p); },
            QSize(24, 24));
        const QColor mark = userColour(*style, UserPalette::IndicatorBase);
        const QColor highlight = qtColour(*style, QPalette::Highlight);
        const auto marked = [&](int x, int y) {
            return contrast(image.pixelColor(x, y), mark) <
                   contrast(image.pixelColor(x, y), highlight);
        };
        QCOMPARE(marked(12, 12), centreMarked);
        QCOMPARE(marked(6, 16), tickMarked);
        QCOMPARE(image.pixelColor(0, 12), state == QStyle::State_Off
                                              ? userColour(*style, UserPalette::PanelFrame)
                                              : highlight);
    }

    void groupBoxSouthTabAndDialog_data() { themes_data(); }
    void groupBoxSouthTabAndDialog()
    {
        QFETCH(ThemeMode, mode);
        const auto style = styleFor(mode);
        QStyleOptionFrame group;
        static_cast<QStyleOption&>(group) =
            optionFor(*style, QRect(0, 0, 40, 24), QStyle::State_None);
        group.lineWidth = 1;
        QImage image = render(
            [&](QPainter& p) { style->drawPrimitive(QStyle::PE_FrameGroupBox, &group, &p); });
        QCOMPARE(image.pixelColor(20, 0), userColour(*style, UserPalette::Frame));
        QCOMPARE(image.pixelColor(20, 12), QColor(Qt::transparent));

        QStyleOptionTab tab;
        static_cast<QStyleOption&>(tab) =
            optionFor(*style, QRect(0, 0, 40, 24), QStyle::State_None);
        tab.shape = QTabBar::RoundedSouth;
        image =
            render([&](QPainter& p) { style->drawControl(QStyle::CE_TabBarTabShape, &tab, &p); });
        // Square corners at the top, rounded ones at the bottom.
        QVERIFY(image.pixelColor(0, 0).alpha() > 150 && image.pixelColor(39, 0).alpha() > 150);
        QVERIFY(image.pixelColor(0, 23).alpha() < 100 && image.pixelColor(39, 23).alpha() < 100);

        Dialog dialog;
        dialog.resize(40, 24);
        QStyleOption background = optionFor(*style, dialog.rect(), QStyle::State_None);
        image = render([&](QPainter& p) {
            style->drawPrimitive(QStyle::PE_Widget, &background, &p, &dialog);
        });
        // No compositor draws a shadow here: the window's own edge shows where it ends.
        const QColor edge = userColour(*style, UserPalette::Frame);
        for (const QPoint point : {QPoint(0, 0), QPoint(39, 23), QPoint(20, 0), QPoint(0, 12)})
            QCOMPARE(image.pixelColor(point), edge);
        QCOMPARE(image.pixelColor(20, 12), qtColour(*style, QPalette::Base));
    }

    // Keyboard focus shows on every kind of control, in both themes, as at least a ring of
    // pixels (around the control at its natural size) that differ 3:1 or more from the
    // unfocused look.
    void keyboardFocusStandsOut_data()
    {
        QTest::addColumn<ThemeMode>("mode");
        QTest::addColumn<QString>("control");
        for (const ThemeMode mode : {ThemeMode::Dark, ThemeMode::Light})
            for (const char* control :
                 {"push button", "default button", "card button", "check box", "checked check box",
                  "radio button", "combo box", "line edit", "read-only line edit", "read-only text",
                  "spin box", "tab bar", "list"})
                QTest::addRow("%s %s", mode == ThemeMode::Dark ? "dark" : "light", control)
                    << mode << QString(control);
    }

    void keyboardFocusStandsOut()
    {
        QFETCH(ThemeMode, mode);
        QFETCH(QString, control);
        const auto style = styleFor(mode);
        QWidget window;
        window.setPalette(style->standardPalette());
        auto* layout = new QVBoxLayout(&window);
        QWidget* widget = focusableControl(control, &window);
        layout->addWidget(widget);
        auto* other = new QLineEdit(&window);
        layout->addWidget(other);
        const QList<QWidget*> widgets = window.findChildren<QWidget*>() << &window;
        for (QWidget* child : widgets)
            child->setStyle(style.get());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.setAttribute(Qt::WA_KeyboardFocusChange);
        widget->setFocus(Qt::TabFocusReason);
        QVERIFY(widget->hasFocus());
        // What shows where the control is, with anything drawn over it.
        const QImage focused = window.grab(widget->geometry()).toImage();
        other->setFocus(Qt::TabFocusReason);
        const QImage unfocused = window.grab(widget->geometry()).toImage();
        int changed = 0;
        for (int y = 0; y < focused.height(); ++y)
            for (int x = 0; x < focused.width(); ++x)
                changed += contrast(focused.pixelColor(x, y), unfocused.pixelColor(x, y)) >= 3;
        // The perimeter of the control at its natural size; of a view, its current row's.
        int perimeter = 2 * (widget->sizeHint().width() + widget->sizeHint().height());
        if (const auto* view = qobject_cast<QTreeView*>(widget))
            perimeter =
                2 * (view->header()->length() + view->visualRect(view->currentIndex()).height());
        QVERIFY2(changed >= perimeter, qPrintable(QString("%1 of %2").arg(changed).arg(perimeter)));
        for (QWidget* child : widgets)
            child->setStyle(nullptr);
    }

    // A one-pixel line lies on whole pixels at every scale: across it, each pixel is either
    // untouched or fully the line's colour.
    void linesAreCrisp_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("height");
        for (const qreal ratio : {1.0, 1.5, 2.0})
            for (const int height : {8, 9})
                QTest::addRow("x%.1f, %d high", ratio, height) << ratio << height;
    }

    void linesAreCrisp()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, height);
        const auto style = styleFor(ThemeMode::Dark);
        QStyleOptionMenuItem separator;
        static_cast<QStyleOption&>(separator) =
            optionFor(*style, QRect(0, 3, 40, height), QStyle::State_None);
        separator.menuItemType = QStyleOptionMenuItem::Separator;
        QStyleOptionFrame group;
        static_cast<QStyleOption&>(group) =
            optionFor(*style, QRect(0, 0, 40, 24), QStyle::State_None);
        group.lineWidth = 1;
        for (const auto& draw : std::initializer_list<std::function<void(QPainter&)>>{
                 [&](QPainter& p) { style->drawControl(QStyle::CE_MenuItem, &separator, &p); },
                 [&](QPainter& p) {
                     style->drawPrimitive(QStyle::PE_FrameGroupBox, &group, &p);
                 }}) {
            QImage image(QSize(40, 24) * ratio, QImage::Format_ARGB32);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            draw(painter);
            painter.end();
            int lit = 0;
            for (int y = 0; y < image.height(); ++y) {
                const int alpha = image.pixelColor(image.width() / 2, y).alpha();
                QVERIFY2(alpha == 0 || alpha == 255,
                         qPrintable(QString("row %1: %2").arg(y).arg(alpha)));
                lit += alpha == 255;
            }
            QVERIFY(lit > 0);
        }
    }

    // Combo-box popups draw through the combo box or through its view: the text sits in the
    // same place either way; and menus underline mnemonics only where the style hint says so.
    // Mnemonic underlines show while Alt is held, on labels and buttons alike, and go with it.
    void mnemonicsShowWhileAltIsHeld_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("label") << "label";
        QTest::newRow("push button") << "push button";
    }

    void mnemonicsShowWhileAltIsHeld()
    {
        QFETCH(QString, control);
        const auto style = styleFor(ThemeMode::Light);
        QWidget window;
        window.setPalette(style->standardPalette());
        auto* layout = new QVBoxLayout(&window);
        auto* field = new QLineEdit;
        auto* label = new QLabel("&Device:");
        label->setBuddy(field);
        QWidget* widget =
            control == "label" ? static_cast<QWidget*>(label) : new QPushButton("&Add");
        layout->addWidget(label);
        layout->addWidget(widget);
        layout->addWidget(field);
        const QList<QWidget*> widgets = window.findChildren<QWidget*>() << &window;
        for (QWidget* child : widgets)
            child->setStyle(style.get());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QImage hidden = widget->grab().toImage();
        QTest::keyPress(&window, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(widget->grab().toImage() != hidden);
        QTest::keyRelease(&window, Qt::Key_Alt);
        QCOMPARE(widget->grab().toImage(), hidden);
        for (QWidget* child : widgets)
            child->setStyle(nullptr);
    }

    // The handle between panes shows as a line of the frame colour; cells keep their texts
    // apart, so that a serial and a version in neighbouring columns do not run together.
    void splitterHandleAndCellPadding_data() { themes_data(); }
    void splitterHandleAndCellPadding()
    {
        QFETCH(ThemeMode, mode);
        const auto style = styleFor(mode);
        QSplitter splitter;
        splitter.addWidget(new QWidget);
        splitter.addWidget(new QWidget);
        splitter.setStyle(style.get());
        splitter.setPalette(style->standardPalette());
        splitter.resize(200, 40);
        splitter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splitter));
        const int handle = splitter.handle(1)->geometry().center().x();
        QCOMPARE(splitter.grab().toImage().pixelColor(handle, 20),
                 userColour(*style, UserPalette::Frame));

        QStandardItemModel model(1, 2);
        model.setItem(0, 0, new QStandardItem("SN-3"));
        model.setItem(0, 1, new QStandardItem("6.4.0"));
        TreeView view;
        // No current-row ring between the texts.
        view.setFocusPolicy(Qt::NoFocus);
        view.setStyle(style.get());
        view.setPalette(style->standardPalette());
        view.setModel(&model);
        view.setRootIsDecorated(false);
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        view.resize(300, 80);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage cells = view.viewport()->grab().toImage();
        const QColor base = cells.pixelColor(cells.width() - 1, cells.height() - 1);
        // Columns of pixels with no text in them, between the two texts.
        const QRect row =
            view.visualRect(model.index(0, 0)).united(view.visualRect(model.index(0, 1)));
        QList<bool> inked(row.right() + 1, false);
        for (int x = row.left(); x <= row.right(); ++x)
            for (int y = row.top(); y <= row.bottom(); ++y)
                inked[x] = inked[x] || contrast(cells.pixelColor(x, y), base) > 1.5;
        const int firstEnd =
            int(inked.lastIndexOf(true, view.visualRect(model.index(0, 1)).left()));
        const int secondStart = int(inked.indexOf(true, firstEnd + 1));
        const int gap = secondStart - firstEnd - 1;
        QVERIFY2(gap >= 2 * Metrics::scaled(Metrics::ItemTextPadding, nullptr, &view),
                 qPrintable(QString::number(gap)));
        view.setStyle(nullptr);
    }

    void menuItemTexts()
    {
        const auto style = styleFor(ThemeMode::Dark);
        QComboBox combo;
        QStyleOptionMenuItem item;
        static_cast<QStyleOption&>(item) =
            optionFor(*style, QRect(0, 0, 120, 24), QStyle::State_None);
        item.menuItemType = QStyleOptionMenuItem::Normal;
        item.maxIconWidth = 32;
        item.font = QApplication::font();
        const auto drawn = [&](const QString& text, const QWidget* widget) {
            item.text = text;
            return render(
                [&](QPainter& p) { style->drawControl(QStyle::CE_MenuItem, &item, &p, widget); },
                QSize(120, 24));
        };
        QCOMPARE(drawn("Item", &combo), drawn("Item", combo.view()));
        QVERIFY(drawn("Item", &combo) != drawn("Item", nullptr)); // the icon column elsewhere
        QCOMPARE(drawn("&File", nullptr), drawn("File", nullptr));
    }

    // A menu follows the size asked of it, also under a style installed after it was made.
    void menuSizeAfterAThemeChange()
    {
        QMenu menu;
        for (const ThemeMode mode : {ThemeMode::Dark, ThemeMode::Light}) {
            QApplication::setStyle(new Style(Palette::forTheme(mode)));
            menu.ensurePolished();
            for (const SizePolicy size : {SizePolicy::Large, SizePolicy::Regular}) {
                menu.setProperty(Properties::MenuSizePolicy, QVariant::fromValue(size));
                Q_EMIT menu.aboutToShow();
                QCOMPARE(menu.font(), size == SizePolicy::Large
                                          ? Tessera::font(FontWeight::Regular, FontSize::Px13)
                                          : Tessera::font(FontWeight::Light, FontSize::Px11));
            }
        }
        QApplication::setStyle(QStringLiteral("Fusion"));
    }

    // The file system model's blank header image keeps the title where a real icon puts it.
    void blankHeaderIconKeepsItsRoom()
    {
        const auto style = styleFor(ThemeMode::Dark);
        const auto drawn = [&](QSize iconSize) {
            QPixmap icon(iconSize);
            icon.fill(Qt::transparent);
            QStyleOptionHeader header;
            static_cast<QStyleOption&>(header) = optionFor(*style, QRect(0, 0, 120, 24), {});
            header.text = "Name";
            header.icon = QIcon(icon);
            return render(
                [&](QPainter& p) { style->drawControl(QStyle::CE_HeaderLabel, &header, &p); },
                QSize(120, 24));
        };
        QCOMPARE(drawn(QSize(16, 1)), drawn(QSize(16, 16)));
        QVERIFY(drawn(QSize(16, 1)) != drawn(QSize())); // no icon, no room
    }

    // A description set later counts in the card's size.
    void cardDescriptionWidensTheCard()
    {
        const auto style = styleFor(ThemeMode::Dark);
        CardButton card{QIcon(QPixmap(32, 32))};
        card.setStyle(style.get());
        card.setText("Restart");
        const int before = card.sizeHint().width();
        card.setDescription("Auto restart in 2147483647 second(s), a long description");
        QVERIFY(card.sizeHint().width() > before);
    }

    // The focused input shows the theme's active colours; roles it set itself stay, and its
    // palette comes back when focus leaves, the style goes or the theme changes.
    void focusHelper()
    {
        QLineEdit plain, ownText;
        QPalette palette = ownText.palette();
        palette.setColor(QPalette::Text, Qt::red);
        ownText.setPalette(palette);
        auto style = styleFor(ThemeMode::Dark);
        const QColor activeBase = userColour(*style, UserPalette::ActiveBase);
        StyleInputFocusHelper helper(style->toolkitPalette(), nullptr);
        helper.setWidget(&ownText);
        QCOMPARE(ownText.palette().color(QPalette::Base), activeBase);
        QCOMPARE(ownText.palette().color(QPalette::Text), QColor(Qt::red));
        helper.setWidget(&plain);
        QCOMPARE(ownText.palette().color(QPalette::Base), palette.color(QPalette::Base));
        QCOMPARE(ownText.palette().color(QPalette::Text), QColor(Qt::red));

        // A new theme: the old style goes while the input is decorated.
        auto* owner = new Style(style->toolkitPalette());
        auto* ownedHelper = owner->findChild<StyleInputFocusHelper*>();
        helper.setWidget(nullptr);
        const QPalette before = plain.palette();
        ownedHelper->setWidget(&plain);
        QCOMPARE(plain.palette().color(QPalette::Base), activeBase);
        delete owner;
        QCOMPARE(plain.palette().color(QPalette::Base), before.color(QPalette::Base));
        QVERIFY(!plain.palette().isBrushSet(QPalette::Active, QPalette::Base));
        const auto light = styleFor(ThemeMode::Light);
        StyleInputFocusHelper lightHelper(light->toolkitPalette(), nullptr);
        lightHelper.setWidget(&plain);
        QCOMPARE(plain.palette().color(QPalette::Base),
                 userColour(*light, UserPalette::ActiveBase));
    }
};

int main(int argc, char* argv[])
{
    QTemporaryDir folder;
    useOffscreenScreens(folder, {{144, 1}, {120, 1}});
    // Widgets see the screens' own logical DPI rather than a device pixel ratio.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication application(argc, argv);
    TestStyle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_style.moc"
