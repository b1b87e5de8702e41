// What the accessible interfaces of the item views share: the factory that
// gives a widget class its interface, and the interface of an item, which is
// no object of its own and holds no parts.
#pragma once

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

namespace controls {

// Installs, once, the factory that gives every Widget the accessible
// interface Interface(Widget*).
template <class Widget, class Interface>
void InstallAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className != QLatin1String(Widget::staticMetaObject.className())) return nullptr;
            auto* widget = qobject_cast<Widget*>(object);
            return widget ? new Interface(widget) : nullptr;
        });
        return true;
    }();
    (void)installed;
}

// A rectangle of widget's as the bus gives it, in screen coordinates.
inline QRect OnScreen(const QWidget* widget, const QRect& rect) {
    return QRect(widget->mapToGlobal(rect.topLeft()), rect.size());
}

// An item of a view: its view answers for it on the bus.
class ItemAccessible : public QAccessibleInterface {
public:
    QObject* object() const override { return nullptr; }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
};

}  // namespace controls
