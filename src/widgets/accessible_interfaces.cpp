#include "accessible_interfaces.h"

#include "ctl_eb_slider.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGroupBox>

#include <algorithm>
#include <limits>

namespace qrt58::widgets {

namespace {

const char* const kOrderKey = "readingOrder";

// Stacking order: later children lie above earlier ones.
bool covered(const QWidget* child, const QList<QWidget*>& siblings, int at) {
    const QRect area = child->geometry();
    for (int i = at + 1; i < siblings.size(); ++i) {
        const QWidget* above = siblings[i];
        if (above->isVisibleTo(above->parentWidget()) && above->geometry().contains(area)) return true;
    }
    return false;
}

class ContainerAccessible : public QAccessibleWidget {
public:
    explicit ContainerAccessible(QWidget* w)
        : QAccessibleWidget(w, qobject_cast<QGroupBox*>(w) ? QAccessible::Grouping : QAccessible::Pane) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            if (auto* frame = qobject_cast<QGroupBox*>(widget())) return frame->title();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return static_cast<int>(reading_children(widget()).size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = reading_children(widget());
        if (index < 0 || index >= children.size()) return nullptr;
        return QAccessible::queryAccessibleInterface(children[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        return static_cast<int>(reading_children(widget()).indexOf(qobject_cast<QWidget*>(child->object())));
    }
};

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(ctlEBSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(slider()->Value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->Value(); }
    void setCurrentValue(const QVariant& value) override {
        // A slider the window has hidden or greyed (Write mode) takes nothing.
        if (slider()->isEnabled() && slider()->isVisibleTo(slider()->parentWidget())) slider()->setValue(value.toInt());
    }
    QVariant maximumValue() const override { return slider()->Max(); }
    QVariant minimumValue() const override { return slider()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    ctlEBSlider* slider() const { return static_cast<ctlEBSlider*>(widget()); }
};

// A list: its name, its current item as value; its actions open it.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return list()->currentText();
        // A list without a name or a caption tied to it says its item, as Qt's own does.
        if (t == QAccessible::Name) {
            const QString name = QAccessibleWidget::text(t);
            return name.isEmpty() ? list()->currentText() : name;
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction()) list()->showPopup();
        else QAccessibleWidget::doAction(name);
    }

private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* make_interface(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (!w) return nullptr;
    if (auto* slider = qobject_cast<ctlEBSlider*>(w)) return new SliderAccessible(slider);
    // An editable list keeps Qt's interface, which offers its text box.
    if (auto* list = qobject_cast<QComboBox*>(w); list && !list->isEditable()) return new ListAccessible(list);
    // Group boxes (a checkable one keeps Qt's, which can be ticked) and plain
    // frames: the containers of the window's pages.
    if (auto* box = qobject_cast<QGroupBox*>(w); box && !box->isCheckable()) return new ContainerAccessible(w);
    if (w->metaObject() == &QFrame::staticMetaObject) return new ContainerAccessible(w);
    return nullptr;
}

} // namespace

void install_accessible_interfaces() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(make_interface);
}

QList<QWidget*> reading_children(const QWidget* container) {
    QList<QWidget*> siblings;
    for (QObject* o : container->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow()) siblings << w;
    QList<QWidget*> read;
    for (int i = 0; i < siblings.size(); ++i) {
        QWidget* w = siblings[i];
        if (w->isVisibleTo(container) && !covered(w, siblings, i)) read << w;
    }
    const auto order = [](const QWidget* w) {
        const QVariant v = w->property(kOrderKey);
        return v.isValid() ? v.toInt() : std::numeric_limits<int>::max();
    };
    std::stable_sort(read.begin(), read.end(), [&](const QWidget* a, const QWidget* b) { return order(a) < order(b); });
    return read;
}

} // namespace qrt58::widgets
