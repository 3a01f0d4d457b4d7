#include "app/commands/interface_manager.h"

#include <QAction>
#include <QWidget>

namespace faceloom {

namespace {

bool InSet(int element) {
    return element >= 0 && element <= 31;
}

}  // namespace

bool TInterfaceManager::IsEnabled(int element) const {
    return InSet(element) && (enabled_ & (uint32_t{1} << element)) != 0;
}

void TInterfaceManager::SetEnabled(int element, bool on) {
    if (!InSet(element)) return;
    const uint32_t bit = uint32_t{1} << element;
    enabled_ = on ? (enabled_ | bit) : (enabled_ & ~bit);
    Mirror(element);
}

void TInterfaceManager::RegisterControl(int element, QWidget* control) {
    Bind(element, control);
}

void TInterfaceManager::RegisterControl(int element, QAction* control) {
    Bind(element, control);
}

void TInterfaceManager::Bind(int element, QObject* control) {
    // The table has room for the elements the program uses; others have no control.
    if (element < 0 || element >= kElementCount) return;
    controls_[element] = control;
    Mirror(element);
}

void TInterfaceManager::Mirror(int element) const {
    if (element >= kElementCount || !controls_[element]) return;
    QObject* control = controls_[element].data();
    const bool on = IsEnabled(element);
    if (auto* widget = qobject_cast<QWidget*>(control)) {
        widget->setEnabled(on);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        action->setEnabled(on);
    }
}

}  // namespace faceloom
