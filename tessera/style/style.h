#pragma once

#include "shape_primitives.h"
#include "tessera/palette/palette.h"

#include <QCommonStyle>
#include <QPointer>
#include <QStyleOptionViewItem>

class QFocusFrame;

class QMenu;
class QMessageBox;
class QStyleOptionComplex;
class QStyleOptionMenuItem;

namespace Tessera {

class MnemonicVisibility;
class StyleInputFocusHelper;

// The toolkit's widget style: metrics scaled by the logical DPI, the toolkit's icons, every
// control drawn with the frame kinds and the palette of its theme, and polish that gives
// dialogs a toolkit window. The parts live in files of their own: metrics and hints
// (style_metrics.cpp), polish (style_polish.cpp), primitives (style_primitives.cpp),
// controls (style_controls.cpp), complex controls (style_complex_controls.cpp) and
// sub-element geometry (style_geometry.cpp).
class Style : public QCommonStyle
{
    Q_OBJECT

public:
    Style();
    explicit Style(const Palette& palette);
    ~Style() override;

    const Palette& toolkitPalette() const { return m_palette; }
    // The toolkit style installed as the application's style, if any; asking never creates
    // one (QApplication::style() would).
    static const Style* applicationStyle();

    void polish(QApplication* application) override;
    void unpolish(QApplication* application) override;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void polish(QPalette& palette) override;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text,
                      QPalette::ColorRole textRole = QPalette::NoRole) const override;
    QPalette standardPalette() const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    QPixmap generatedIconPixmap(QIcon::Mode mode, const QPixmap& pixmap,
                                const QStyleOption* option) const override;

    // An arrow centred in the option's rectangle; its unit comes from the size mode: 0 a 32nd
    // of the rectangle, 1 small, 2 large.
    void drawArrow(ArrowDirection direction, int strokeStyle, const QStyleOption* option,
                   QPainter* painter, int sizeMode, const QWidget* widget,
                   UserPalette::ColourRole colour = UserPalette::ArrowIconBase) const;

private:
    // Metrics and hints.
    int sliderSpaceAvailable(const QStyleOption* option, const QWidget* widget) const;
    int buttonFrameWidth(const QStyleOption* option) const;
    QColor groupBoxTextColour(const QStyleOption* option, const QWidget* widget) const;

    // Primitives.
    void drawCheckBox(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawRadioButton(const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const;
    void drawToolBarSeparator(const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const;
    void drawButtonDropDown(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const;
    void drawHeaderArrow(const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const;
    void drawBranch(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawItemViewItemPanel(const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const;
    void drawWindowBackground(const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const;
    void drawFocusFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawSplitterHandle(const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const;
    void drawReadingFocus(const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const;

    // Controls.
    int mnemonicFlag(const QStyleOption* option, const QWidget* widget) const;
    void drawPushButtonBevel(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const;
    void drawPushButtonLabel(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const;
    void drawTabLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawProgressBar(const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const;
    void drawProgressBarContents(const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const;
    void drawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawMenuSeparator(const QStyleOptionMenuItem* item, const QRectF& rect, QPainter* painter,
                           const QWidget* widget) const;
    void drawMenuBarItem(const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const;
    void drawScrollBarSlider(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const;
    void drawToolButtonLabel(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const;
    void drawToolButtonText(const QStyleOption* option, QPainter* painter, const QRect& rect,
                            const QString& text, Qt::Alignment alignment,
                            const QWidget* widget) const;
    void drawRowFocus(const QStyleOptionViewItem& item, const QColor& under, QPainter* painter,
                      const QWidget* widget) const;
    void drawHeaderLabel(const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const;
    void drawHeaderSection(const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const;

    // Complex controls.
    void drawSpinBox(const QStyleOptionComplex* option, QPainter* painter,
                     const QWidget* widget) const;
    void drawScrollBar(const QStyleOptionComplex* option, QPainter* painter,
                       const QWidget* widget) const;
    void drawGroupBox(const QStyleOptionComplex* option, QPainter* painter,
                      const QWidget* widget) const;
    void drawComboBox(const QStyleOptionComplex* option, QPainter* painter,
                      const QWidget* widget) const;
    void drawSlider(const QStyleOptionComplex* option, QPainter* painter,
                    const QWidget* widget) const;
    void drawToolButton(const QStyleOptionComplex* option, QPainter* painter,
                        const QWidget* widget) const;

    // Geometry.
    QRect scrollBarSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                  const QWidget* widget) const;
    QRect spinBoxSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                const QWidget* widget) const;
    QRect comboBoxSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                                 const QWidget* widget) const;
    QRect sliderSubControlRect(const QStyleOptionComplex* option, SubControl subControl,
                               const QWidget* widget) const;
    QSize lineEditSize(const QStyleOption* option, QSize size, const QWidget* widget) const;
    QSize pushButtonSize(const QStyleOption* option, QSize size, const QWidget* widget) const;
    QSize toolButtonSize(const QStyleOption* option, QSize size, const QWidget* widget) const;

    // Polish.
    void polishUserPalette(QWidget* widget) const;
    void polishClassPalette(QWidget* widget) const;
    void polishByClass(QWidget* widget);
    void polishWindow(QWidget* widget);
    void applyMenuSize(QMenu* menu) const;
    void updateMessageBoxSpacer(QMessageBox* box) const;
    void followFocus(QWidget* focusWidget);
    void showReadingFocus(QWidget* focusWidget);

    Palette m_palette;
    StyleInputFocusHelper* m_focusHelper = nullptr;
    MnemonicVisibility* m_mnemonics = nullptr;
    // Read-only text keeps its colours when focused: a ring on top of it shows the focus.
    QPointer<QFocusFrame> m_readingFocus;
};

} // namespace Tessera
