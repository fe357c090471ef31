// A one-line label that shows as much of its text as its width allows, with
// "..." where the rest is cut off, and the whole text as its tool tip while it
// is cut. It asks for no more width than a few characters, so that a layout
// gives it what is left beside its neighbours instead of pushing them aside.
// The accessible text is always the whole text (it is QLabel's text()).
#pragma once

#include <QLabel>

namespace qrt58::widgets {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    void setText(const QString& text);
    // The text as it is drawn at the current width.
    QString shownText() const;
    bool isElided() const { return shownText() != text(); }
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void update_tool_tip();
    Qt::TextElideMode mode_;
};

} // namespace qrt58::widgets
