#include "combo_box_item_delegate.h"
#include "size_policy.h"
#include "style.h"
#include "style_input_focus_helper.h"
#include "style_metrics.h"
#include "style_properties.h"
#include "tessera/palette/widget_user_palette.h"
#include "tessera/resources/fonts.h"
#include "tessera/window/dialog.h"
#include "tessera/window/window.h"
#include "tessera/window/window_title_bar.h"
#include "tessera/window/wizard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFocusFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

namespace Tessera {
namespace {

constexpr QPalette::ColorGroup Groups[] = {QPalette::Active, QPalette::Disabled,
                                           QPalette::Inactive};
constexpr char MenuSizeConnected[] = "tsr_style_menu_size_connected";

bool isTextInput(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTextEdit*>(widget);
}

bool isReadOnly(const QWidget* widget)
{
    return widget->property("readOnly").toBool();
}

void setHover(QWidget* widget)
{
    widget->setAttribute(Qt::WA_Hover);
    widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
}

// Window flags are added only when missing: setting them on a visible widget hides it.
void setTranslucentPopup(QWidget* widget)
{
    widget->setAttribute(Qt::WA_TranslucentBackground);
    widget->setAutoFillBackground(false);
    if (!widget->windowFlags().testFlag(Qt::FramelessWindowHint))
        widget->setWindowFlags(widget->windowFlags() | Qt::FramelessWindowHint);
}

bool hasAncestor(const QWidget* widget, const char* className)
{
    for (const QWidget* parent = widget ? widget->parentWidget() : nullptr; parent;
         parent = parent->parentWidget())
        if (parent->inherits(className))
            return true;
    return false;
}

template <typename Enum>
std::optional<Enum> enumProperty(const QObject* object, const char* name)
{
    const QVariant value = object->property(name);
    if (value.metaType() != QMetaType::fromType<Enum>())
        return std::nullopt;
    return value.value<Enum>();
}

SizePolicy resolvedMenuSize(const QMenu* menu)
{
    return enumProperty<SizePolicy>(menu, Properties::MenuResolvedSizePolicy)
        .value_or(SizePolicy::Regular);
}

// Large for menus opened from tool bars (or from a Large menu), Regular otherwise.
SizePolicy wishedMenuSize(const QMenu* menu)
{
    const auto wished = enumProperty<SizePolicy>(menu, Properties::MenuSizePolicy);
    if (wished && *wished != SizePolicy::Unspecified)
        return *wished;
    if (hasAncestor(menu, "QToolBar"))
        return SizePolicy::Large;
    const QAction* action = menu->menuAction();
    for (const QObject* object : action->associatedObjects()) {
        if (const auto* parentMenu = qobject_cast<const QMenu*>(object)) {
            if (parentMenu->activeAction() == action)
                return resolvedMenuSize(parentMenu);
        } else if (const auto* tool = qobject_cast<const QToolButton*>(object)) {
            if (tool->isDown() && (tool->menu() == menu || tool->defaultAction() == action))
                return hasAncestor(tool, "QToolBar") ? SizePolicy::Large : SizePolicy::Regular;
        }
    }
    for (const QWidget* widget : QApplication::allWidgets()) {
        const auto* push = qobject_cast<const QPushButton*>(widget);
        if (push && push->isDown() && push->menu() == menu)
            return hasAncestor(push, "QToolBar") ? SizePolicy::Large : SizePolicy::Regular;
    }
    return SizePolicy::Regular;
}

// The input part of a focus widget that the focus helper decorates.
QWidget* focusInput(QWidget* focus)
{
    if (auto* combo = qobject_cast<QComboBox*>(focus))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus)) {
        if (spin->isReadOnly())
            return nullptr;
        if (auto* edit = spin->property("_q_spinbox_lineedit").value<QLineEdit*>())
            return edit;
        return spin->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    }
    if (isTextInput(focus) && !isReadOnly(focus))
        return focus;
    return nullptr;
}

void polishCalendar(QCalendarWidget* calendar)
{
    calendar->setWeekdayTextFormat(Qt::Saturday, QTextCharFormat());
    calendar->setWeekdayTextFormat(Qt::Sunday, QTextCharFormat());
    calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    if (auto* bar = calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        bar->setBackgroundRole(QPalette::Button);
        bar->setFont(roleFont(FontRole::Control));
        for (const char* name : {"qt_calendar_monthbutton", "qt_calendar_yearbutton"}) {
            if (auto* button = bar->findChild<QWidget*>(QLatin1String(name))) {
                QFont font = button->font();
                font.setWeight(QFont::Normal);
                button->setFont(font);
            }
        }
    }
}

template <typename Proxy>
void ensureDefaultSize(Proxy* proxy, const QWidget* widget)
{
    if (proxy && proxy->defaultSize().isEmpty())
        proxy->setDefaultSize(
            Metrics::scaledValue(Metrics::MinimumDialogSize, nullptr, widget).toSize(),
            DefaultSizeMode::AtLeast);
}

} // namespace

void Style::polish(QWidget* widget)
{
    QCommonStyle::polish(widget);
    if (!widget)
        return;
    polishUserPalette(widget);
    polishClassPalette(widget);
    polishByClass(widget);
    if (widget->isWindow())
        polishWindow(widget);
}

// The property keeps only the roles the widget set itself; drawing takes the rest from the
// style in force, so a theme change reaches every widget.
void Style::polishUserPalette(QWidget* widget) const
{
    const UserPalette own = ownUserPalette(widget);
    if (own.resolveMask() == 0)
        return;
    widget->update();
}

void Style::polishClassPalette(QWidget* widget) const
{
    const auto copyRoles =
        [&](std::initializer_list<std::pair<QPalette::ColorRole, UserPalette::ColourRole>> roles) {
            QPalette palette = widget->palette();
            const UserPalette user = userPaletteFor(widget, this);
            for (QPalette::ColorGroup group : Groups)
                for (const auto& [qtRole, userRole] : roles)
                    palette.setBrush(group, qtRole, user.brush(group, userRole));
            widget->setPalette(palette);
        };
    if (qobject_cast<QHeaderView*>(widget)) {
        copyRoles({{QPalette::Button, UserPalette::HeaderBase},
                   {QPalette::ButtonText, UserPalette::HeaderText}});
    } else if (qobject_cast<QTableView*>(widget)) {
        copyRoles({{QPalette::Text, UserPalette::CellText},
                   {QPalette::HighlightedText, UserPalette::CellText}});
    } else if (qobject_cast<QAbstractItemView*>(widget)) {
        copyRoles({{QPalette::Text, UserPalette::ViewItemText},
                   {QPalette::HighlightedText, UserPalette::ViewItemActiveText}});
    } else if (qobject_cast<WindowTitleBar*>(widget)) {
        QPalette palette = widget->palette();
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText}) {
            palette.setBrush(QPalette::Active, role, m_palette.brush(QPalette::Active, role));
            palette.setBrush(QPalette::Disabled, role, m_palette.brush(QPalette::Disabled, role));
            palette.setBrush(QPalette::Inactive, role,
                             m_palette.brush(QPalette::Inactive, QPalette::PlaceholderText));
        }
        widget->setPalette(palette);
    }
}

void Style::polishByClass(QWidget* widget)
{
    if (qobject_cast<QPushButton*>(widget) || qobject_cast<QToolButton*>(widget) ||
        qobject_cast<QAbstractSpinBox*>(widget) || qobject_cast<QScrollBar*>(widget)) {
        setHover(widget);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        setHover(widget);
        // The combo box does not take ownership of its delegate.
        if (combo->itemDelegate() && combo->itemDelegate()->inherits("QComboBoxDelegate"))
            combo->setItemDelegate(new ComboBoxItemDelegate(combo));
    } else if (qobject_cast<QTabBar*>(widget)) {
        setHover(widget);
        widget->setFont(roleFont(FontRole::Control));
    } else if (isTextInput(widget)) {
        widget->installEventFilter(this);
        if (widget->hasFocus() && !isReadOnly(widget))
            m_focusHelper->setWidget(widget);
    } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
        setTranslucentPopup(menu);
        applyMenuSize(menu);
        if (!menu->property(MenuSizeConnected).toBool()) {
            menu->setProperty(MenuSizeConnected, true);
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { applyMenuSize(menu); });
        }
    } else if (widget->inherits("QTipLabel") || widget->inherits("QComboBoxPrivateContainer")) {
        setTranslucentPopup(widget);
    } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
        header->viewport()->setBackgroundRole(QPalette::Base);
    } else if (auto* table = qobject_cast<QTableView*>(widget)) {
        table->setShowGrid(false);
    } else if (qobject_cast<WindowTitleBar*>(widget)) {
        widget->setFont(roleFont(FontRole::LargeCaps));
        if (!qobject_cast<QMainWindow*>(widget->window()))
            widget->setBackgroundRole(QPalette::AlternateBase);
    } else if (auto* dialog = qobject_cast<Dialog*>(widget)) {
        ensureDefaultSize(dialog, widget);
    } else if (auto* wizard = qobject_cast<Wizard*>(widget)) {
        ensureDefaultSize(wizard, widget);
    } else if (qobject_cast<QMessageBox*>(widget)) {
        widget->installEventFilter(this);
    } else if (auto* calendar = qobject_cast<QCalendarWidget*>(widget)) {
        polishCalendar(calendar);
    }
}

// Plain dialogs become toolkit windows; the background then paints the frame. A dialog on
// screen keeps its frame: new window flags would hide it and end its exec() as rejected.
void Style::polishWindow(QWidget* widget)
{
    if (!Window::findFor(widget)) {
        if (!qobject_cast<QDialog*>(widget) || qobject_cast<QWizard*>(widget) ||
            widget->isVisible() || !Window::install(widget))
            return;
    }
    widget->setAttribute(Qt::WA_StyledBackground);
}

void Style::unpolish(QWidget* widget)
{
    QCommonStyle::unpolish(widget);
    if (!widget)
        return;
    if (m_focusHelper->widget() == widget)
        m_focusHelper->setWidget(nullptr);
    if (isTextInput(widget) || qobject_cast<QMessageBox*>(widget))
        widget->removeEventFilter(this);
    // The next style connects its own: this one's connection would die with it.
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        disconnect(menu, &QMenu::aboutToShow, this, nullptr);
        menu->setProperty(MenuSizeConnected, QVariant());
    }
}

void Style::applyMenuSize(QMenu* menu) const
{
    const SizePolicy wished = wishedMenuSize(menu);
    if (wished == resolvedMenuSize(menu))
        return;
    menu->setProperty(Properties::MenuResolvedSizePolicy, QVariant::fromValue(wished));
    const bool large = wished == SizePolicy::Large;
    menu->setToolTipsVisible(large);
    menu->setFont(large ? font(FontWeight::Regular, FontSize::Px13)
                        : font(FontWeight::Light, FontSize::Px11));
    menu->setMinimumWidth(large ? Metrics::scaledCeil(Metrics::LargeMenuMinimumWidth, nullptr, menu)
                                : 0);
    menu->updateGeometry();
}

bool Style::event(QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        m_focusHelper->setWidget(focusInput(QApplication::focusWidget()));
    else if (event->type() == QEvent::FocusOut)
        m_focusHelper->setWidget(nullptr);
    return QCommonStyle::event(event);
}

void Style::followFocus(QWidget* focusWidget)
{
    m_focusHelper->setWidget(focusInput(focusWidget));
    showReadingFocus(focusWidget);
}

// The ring goes over the widget's own edge: a text view's frame is covered by its viewport
// but for one pixel.
void Style::showReadingFocus(QWidget* focusWidget)
{
    const bool reading = focusWidget && isTextInput(focusWidget) && isReadOnly(focusWidget);
    if (!reading) {
        if (m_readingFocus)
            m_readingFocus->setWidget(nullptr);
        return;
    }
    if (!m_readingFocus) {
        m_readingFocus = new QFocusFrame(focusWidget);
        // Drawn by this style also where widgets were given it one by one.
        m_readingFocus->setStyle(this);
    }
    m_readingFocus->setWidget(focusWidget);
}

bool Style::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        followFocus(widget);
        break;
    case QEvent::FocusOut:
        if (m_focusHelper->widget() == widget)
            m_focusHelper->setWidget(nullptr);
        if (m_readingFocus && m_readingFocus->widget() == widget)
            m_readingFocus->setWidget(nullptr);
        break;
    case QEvent::Show:
    case QEvent::LayoutRequest:
        if (auto* box = qobject_cast<QMessageBox*>(widget))
            updateMessageBoxSpacer(box);
        break;
    case QEvent::ReadOnlyChange:
        if (widget->hasFocus()) {
            m_focusHelper->setWidget(isReadOnly(widget) ? nullptr : widget);
            showReadingFocus(widget);
        }
        break;
    default:
        break;
    }
    return false;
}

// Message boxes have no icon: the spacer in column 0 gives them their minimum size.
void Style::updateMessageBoxSpacer(QMessageBox* box) const
{
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    if (!grid)
        return;
    auto* spacer =
        static_cast<QSpacerItem*>(grid->property(Properties::MessageBoxSpacer).value<void*>());
    bool inLayout = false;
    for (int index = 0; spacer && index < grid->count(); ++index)
        inLayout = inLayout || grid->itemAt(index) == spacer;
    if (!inLayout) {
        spacer = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
        grid->setProperty(Properties::MessageBoxSpacer,
                          QVariant::fromValue(static_cast<void*>(spacer)));
        if (box->iconPixmap().isNull()) {
            grid->setHorizontalSpacing(0);
            for (int index = grid->count() - 1; index >= 0; --index) {
                int row, column, rowSpan, columnSpan;
                grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
                if (column == 0 && grid->itemAt(index)->spacerItem())
                    delete grid->takeAt(index);
            }
        }
        grid->addItem(spacer, 0, 0, grid->rowCount(), grid->columnCount());
        grid->setColumnStretch(grid->columnCount() - 1, 1);
    }
    const QMargins margins = grid->contentsMargins() + box->contentsMargins();
    const QSize minimum = Metrics::scaledValue(Metrics::MinimumDialogSize, nullptr, box).toSize();
    const QSize size(std::max(0, minimum.width() - margins.left() - margins.right()),
                     std::max(0, minimum.height() - margins.top() - margins.bottom()));
    if (spacer->sizeHint() != size) {
        spacer->changeSize(size.width(), size.height(), QSizePolicy::Minimum, QSizePolicy::Minimum);
        grid->invalidate();
    }
}

} // namespace Tessera
