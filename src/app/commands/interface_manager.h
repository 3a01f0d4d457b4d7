#pragma once

#include <QPointer>
#include <array>
#include <cstddef>
#include <cstdint>

class QAction;
class QObject;
class QWidget;

namespace faceloom {

// Which main-window commands are allowed now. Each command is an element below kElementCount;
// the manager keeps the enabled set and mirrors each element's state on at most one bound
// control (a widget or an action), so a command cannot run while disabled, however it is
// triggered.
class TInterfaceManager {
public:
    static constexpr int kElementCount = 31;
    // Elements 0, 1, 5, 6, 7, 8 and 9: opening packs, the modes, options and about.
    static constexpr uint32_t kInitialSet = 995;

    TInterfaceManager() = default;

    TInterfaceManager(const TInterfaceManager&) = delete;
    TInterfaceManager& operator=(const TInterfaceManager&) = delete;

    // False for elements outside 0 to 31, which the set cannot hold.
    bool IsEnabled(int element) const;
    // Elements outside 0 to 31 change nothing; a bound control follows the new state.
    void SetEnabled(int element, bool on);
    // Binds a control (or none) to an element below kElementCount; the control takes the
    // element's state at once. The manager never owns the control, and forgets it when it is
    // destroyed.
    void RegisterControl(int element, QWidget* control);
    void RegisterControl(int element, QAction* control);
    void RegisterControl(int element, std::nullptr_t) { Bind(element, nullptr); }

    uint32_t EnabledSet() const { return enabled_; }

private:
    void Bind(int element, QObject* control);
    void Mirror(int element) const;

    uint32_t enabled_ = kInitialSet;
    std::array<QPointer<QObject>, kElementCount> controls_;
};

}  // namespace faceloom
