#pragma once

#include <QFrame>

namespace Orrery {

// One line of text, shortened with an ellipsis when it does not fit; the full text shows as a
// tool tip then.
class ElidedLabel : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text)

public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    bool isElided() const { return m_elided; }
    QString elidedText() const { return m_elidedText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateElidedText();
    void textLayoutChanged();

    QString m_text;
    QString m_elidedText;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_elided = false;
    mutable QSize m_sizeHint;
};

} // namespace Orrery
